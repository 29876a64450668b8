#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "framework/DataSet.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Base "A" or "B": programs and shortcuts that all carry the base's mark, a different number of
// each, so a pair of files from two saves never passes for one base.
void FillBase(CDBRegistry& registry, const std::string& mark, int programs)
{
    for (int program = 0; program < programs; ++program) {
        const std::string file = "/usr/bin/" + mark + std::to_string(program);
        for (int shortcut = 0; shortcut < programs; ++shortcut) {
            AddShortcut(registry, file, true, {0x11, static_cast<std::uint16_t>('A' + shortcut)},
                        mark, mark + std::to_string(shortcut));
        }
    }
}

// "A" or "B" when the loaded base is that whole base; what was found otherwise.
std::string WholeBase(CDBRegistry& registry)
{
    std::set<std::string> marks;
    int programs = 0;
    DataSet& programTable = *registry.GetPrograms();
    for (const auto* record : programTable.AllRecords()) {
        const auto file = std::get<std::string>((*record)[programTable.FieldIndex("FileName")]);
        if (file != "Superglobal") {
            marks.insert(file.substr(std::string("/usr/bin/").size(), 1));
            ++programs;
        }
    }
    int shortcuts = 0;
    DataSet& shortcutTable = *registry.GetShortcuts();
    for (const auto* record : shortcutTable.AllRecords()) {
        marks.insert(std::get<std::string>((*record)[shortcutTable.FieldIndex("ShortName")]));
        ++shortcuts;
    }
    const std::string found = std::to_string(programs) + " programs, " + std::to_string(shortcuts) +
                              " shortcuts, marks " + std::to_string(marks.size());
    if (marks.size() != 1) {
        return found;
    }
    const std::string mark = *marks.begin();
    const int expected = mark == "A" ? 3 : 5;
    return programs == expected && shortcuts == expected * expected ? mark : found;
}

// Saves the registry in a child that stops after each save step until told to go on, and kills it
// right after its stopAt-th step (counted from 1). False when the save ended before that step.
bool KillSaveAtStep(CDBRegistry& registry, int stopAt)
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
        registry.GetLoader()->Save();
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

TEST(SaveKill, EveryStartAfterAKilledSaveFindsTheOldOrTheNewBaseAndNoLeftovers)
{
    FakeEnvironment env;
    const QDir folder(env.dataFolder.filePath("zint"));
    CDBRegistry a;
    a.GetLoader()->Load();
    FillBase(a, "A", 3);
    CDBRegistry b;
    b.GetLoader()->Load();
    FillBase(b, "B", 5);

    std::vector<std::string> seen;
    int stopAt = 1;
    for (;; ++stopAt) {
        a.GetLoader()->Save();
        if (!KillSaveAtStep(b, stopAt)) {
            break;
        }
        CDBRegistry started;
        started.GetLoader()->Load();
        seen.push_back(WholeBase(started));
        EXPECT_TRUE(seen.back() == "A" || seen.back() == "B")
            << "killed at step " << stopAt << ": " << seen.back();
        EXPECT_EQ(folder.entryList({"*.tmp", "*.journal"}, QDir::Files), QStringList())
            << "killed at step " << stopAt;
    }
    EXPECT_TRUE(env.messages.empty());
    // Each table: made, its rows (five programs and the super-global one), committed, synced;
    // then the journal, two renames and the journal's removal.
    const std::size_t tableSteps = (1 + 6 + 2) + (1 + 25 + 2);
    ASSERT_EQ(seen.size(), tableSteps + 4);
    // Until the journal is written the old base stays; from then on the new one.
    for (std::size_t step = 1; step <= seen.size(); ++step) {
        EXPECT_EQ(seen[step - 1], step <= tableSteps ? "A" : "B") << "killed at step " << step;
    }
}
