#include "framework/DataSet.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Content "A" or "B": a version-sized table whose every record carries the version's mark.
void Fill(DataSet& table, const std::string& mark, int count)
{
    table.EmptyDataSet();
    for (int i = 0; i < count; ++i) {
        table.Append();
        table.FieldByName("Id").SetValue(i);
        table.FieldByName("Mark").SetValue(mark);
        table.FieldByName("Data").SetValue(Blob(300, static_cast<std::uint8_t>(i)));
        table.Post();
    }
}

std::vector<FieldDef> Fields()
{
    return {{"Id", FieldType::Integer, 0, {}},
            {"Mark", FieldType::String, 20, {}},
            {"Data", FieldType::Blob, 0, {}}};
}

// The mark of a file whose content is complete and of one version; empty otherwise.
std::string CompleteVersion(const std::string& path)
{
    DataSet table("items", Fields());
    table.LoadFromFile(path);
    table.First();
    const std::string mark = table.FieldByName("Mark").AsString();
    const int expected = mark == "A" ? 300 : 600;
    if (table.RecordCount() != expected) {
        return {};
    }
    for (; !table.Eof(); table.Next()) {
        if (table.FieldByName("Mark").AsString() != mark) {
            return {};
        }
    }
    return mark;
}

// Runs one save of table over path in a child that stops after each step until told to go on,
// and kills it right after its stopAt-th step (counted from 1). True when the kill landed there.
bool KillSaveAtStep(const DataSet& table, const std::string& path, int stopAt)
{
    int report[2];
    int resume[2];
    if (pipe(report) != 0 || pipe(resume) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        close(resume[1]);
        DataSet::SetSaveStepObserver([&](SaveStep) {
            const char step = 's';
            char go = 0;
            if (write(report[1], &step, 1) != 1 || read(resume[0], &go, 1) != 1) {
                _exit(3);
            }
        });
        table.SaveToFile(path);
        _exit(0);
    }
    close(report[1]);
    close(resume[0]);
    bool killed = false;
    char step = 0;
    for (int reached = 1; read(report[0], &step, 1) == 1; ++reached) {
        if (reached == stopAt) {
            kill(child, SIGKILL);
            killed = true;
            break;
        }
        const char go = 'g';
        if (write(resume[1], &go, 1) != 1) {
            break;
        }
    }
    close(report[0]);
    close(resume[1]);
    waitpid(child, nullptr, 0);
    return killed;
}

} // namespace

TEST(SaveKill, AKilledSaveLeavesTheOldOrTheNewFile)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("items.dat").toStdString();
    DataSet a("items", Fields());
    DataSet b("items", Fields());
    Fill(a, "A", 300);
    Fill(b, "B", 600);
    a.SaveToFile(path);

    // Saving B reports: the temporary file made, 600 rows, committed, synced, renamed.
    const int steps = 1 + 600 + 3;
    std::set<std::string> seen;
    for (int stopAt : {1, 2, 300, 601, 602, 603, 604}) {
        ASSERT_TRUE(KillSaveAtStep(b, path, stopAt)) << "step " << stopAt;
        const std::string version = CompleteVersion(path);
        // Until the rename the old file is in place, from it on the new one.
        EXPECT_EQ(version, stopAt < steps ? "A" : "B") << "step " << stopAt;
        seen.insert(version);
        if (stopAt < steps) {
            // A kill before the rename leaves the temporary file behind.
            struct stat info
            {
            };
            EXPECT_EQ(stat((path + ".tmp").c_str(), &info), 0) << "step " << stopAt;
        }
        a.SaveToFile(path);
    }
    EXPECT_EQ(seen, (std::set<std::string>{"A", "B"}));
    // The next save clears the leftover of a killed one.
    ASSERT_TRUE(KillSaveAtStep(b, path, 300));
    a.SaveToFile(path);
    struct stat info
    {
    };
    EXPECT_NE(stat((path + ".tmp").c_str(), &info), 0);
}
