// The first start builds the base from the packs of the desktop and of the applications found on
// this machine; a later start changes nothing.
#include "packs/FirstRun.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class FirstRun : public ::testing::Test
{
protected:
    FirstRun()
    {
        // No desktop entries but the test's own, no applications but those of the fake PATH.
        environment.Set("PATH", Path("bin"));
        environment.Set("XDG_DATA_DIRS", Path("system"));
        environment.Set("XDG_CURRENT_DESKTOP", std::nullopt);
        for (const char* program : {"xterm", "less", "bash"}) {
            Executable("bin/" + std::string(program));
        }
        env.platform.windowManagerName = "Openbox";
    }

    std::string Path(const std::string& relative) const
    {
        return folder.filePath(QString::fromStdString(relative)).toStdString();
    }

    void Executable(const std::string& relative) const
    {
        const QString path = QString::fromStdString(Path(relative));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }

    // One start of the program: a new registry loads or sets up the base.
    std::pair<FirstRunResult, std::vector<std::string>> Start(const std::string& packs)
    {
        CDBRegistry registry;
        const FirstRunResult result = LoadOrSetUpBase(env.platform, registry, packs);
        return {result, DumpBase(registry)};
    }

    QByteArray BaseFile(const char* name) const
    {
        QFile file(QString::fromStdString(JoinedDataFolder() + "/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::string JoinedDataFolder() const { return env.dataFolder.path().toStdString() + "/zint"; }

    static std::vector<std::string> Programs(const std::vector<std::string>& base)
    {
        std::vector<std::string> programs;
        std::copy_if(base.begin(), base.end(), std::back_inserter(programs),
                     [](const std::string& line) { return line.rfind("  ", 0) != 0; });
        return programs;
    }

    FakeEnvironment env;
    QTemporaryDir folder;
    ScopedEnvironment environment;
};

} // namespace

TEST_F(FirstRun, ThePacksOfTheInstalledApplicationsAndTheDesktopMakeTheBaseOnce)
{
    const auto [result, base] = Start(QUORVEL_TEST_PACKS_DIR);
    EXPECT_TRUE(result.desktop);
    EXPECT_EQ(result.applications, (std::vector<std::string>{"Bash", "less", "XTerm"}));
    EXPECT_EQ(Programs(base),
              (std::vector<std::string>{" | Superglobal", "Bash | bash", "less | less",
                                        "XTerm | xterm |  debian-xterm.desktop"}));
    // The openbox pack's shortcuts, always shown; the i3 pack is for another desktop.
    EXPECT_EQ(base[1].rfind("  Alt + F4 | Close | Close the window | global |", 0), 0u) << base[1];
    EXPECT_EQ(std::count(base.begin(), base.end(),
                         "  Alt + Esc | Lower | Lower the window and unfocus it | global | 0:0"),
              1);
    EXPECT_EQ(base.size(), 4u + 8 + 8 + 7 + 5);
    EXPECT_NE(DescribeFirstRun(result).find("(3): Bash, less, XTerm"), std::string::npos);

    // Saved: a second start finds the base and changes nothing, though more is installed now.
    const QByteArray programs = BaseFile("programs.dat");
    const QByteArray shortcuts = BaseFile("shortcuts.dat");
    ASSERT_FALSE(programs.isEmpty());
    Executable("bin/top");
    const auto [again, sameBase] = Start(QUORVEL_TEST_PACKS_DIR);
    EXPECT_FALSE(again.Added());
    EXPECT_EQ(sameBase, base);
    EXPECT_EQ(BaseFile("programs.dat"), programs);
    EXPECT_EQ(BaseFile("shortcuts.dat"), shortcuts);
}

TEST_F(FirstRun, TheDesktopNamedByXdgWinsAndDesktopEntriesCount)
{
    environment.Set("XDG_CURRENT_DESKTOP", "ubuntu:i3");
    // top is not on PATH, but a desktop entry runs it from its own folder.
    Executable("opt/top/top");
    QDir().mkpath(QString::fromStdString(Path("system/applications")));
    QFile entry(QString::fromStdString(Path("system/applications/top.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write(("[Desktop Entry]\nType=Application\nName=top\nExec=" + Path("opt/top/top") + "\n")
                    .c_str());
    entry.close();

    const auto [result, base] = Start(QUORVEL_TEST_PACKS_DIR);
    EXPECT_TRUE(result.desktop);
    EXPECT_EQ(result.applications, (std::vector<std::string>{"Bash", "less", "top", "XTerm"}));
    EXPECT_EQ(base[1].rfind("  Alt + Enter | Terminal |", 0), 0u) << base[1];
}

TEST_F(FirstRun, AWindowManagerThatAddsItsVersionToItsNameFindsItsPack)
{
    env.platform.windowManagerName = "i3 4.22 (Linux)";
    EXPECT_TRUE(Start(QUORVEL_TEST_PACKS_DIR).first.desktop);
    QDir(QString::fromStdString(JoinedDataFolder())).removeRecursively();
    env.platform.windowManagerName = "i3wm";
    EXPECT_FALSE(Start(QUORVEL_TEST_PACKS_DIR).first.desktop) << "another name is another manager";
}

TEST_F(FirstRun, BrokenPacksAreLeftOutAndNothingMatchingLeavesNoBase)
{
    const QString packs = QString::fromStdString(Path("packs"));
    QDir().mkpath(packs);
    QFile::copy(QUORVEL_TEST_PACKS_DIR "/less.json", packs + "/less.json");
    // Installed, but its picture files are not beside it.
    QFile::copy(QUORVEL_TEST_PACKS_DIR "/xterm.json", packs + "/xterm.json");
    QFile broken(packs + "/broken.json");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"format\": 1, \"name\": ");
    broken.close();
    env.platform.windowManagerName = "";

    const auto [result, base] = Start(packs.toStdString());
    EXPECT_FALSE(result.desktop);
    EXPECT_EQ(result.applications, std::vector<std::string>{"less"});

    // Without any pack that fits, nothing is written: the next start looks again.
    QDir(QString::fromStdString(JoinedDataFolder())).removeRecursively();
    environment.Set("PATH", Path("nowhere"));
    const auto [none, empty] = Start(packs.toStdString());
    EXPECT_FALSE(none.Added());
    EXPECT_EQ(empty, std::vector<std::string>{" | Superglobal"});
    EXPECT_TRUE(BaseFile("programs.dat").isEmpty());
}
