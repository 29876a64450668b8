#include "framework/DataSet.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
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

    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delay(0, 40000);
    std::set<std::string> seen;
    int interrupted = 0;
    for (int round = 0; round < 60; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                b.SaveToFile(path);
                a.SaveToFile(path);
            }
        }
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        struct stat info
        {
        };
        if (stat((path + ".tmp").c_str(), &info) == 0) {
            ++interrupted;
        }
        const std::string version = CompleteVersion(path);
        ASSERT_FALSE(version.empty()) << "round " << round;
        seen.insert(version);
    }
    // The kills really landed inside saves, and both versions were seen in place.
    EXPECT_GT(interrupted, 0);
    EXPECT_EQ(seen.size(), 2u);
    // The next save clears the leftover of a killed one.
    a.SaveToFile(path);
    struct stat info
    {
    };
    EXPECT_NE(stat((path + ".tmp").c_str(), &info), 0);
}
