// Imports that are saved whole or not at all, the command line's --import and --export, and files
// handed to the running copy.
#include "shell/PackCommands.h"
#include "shell/CommandLine.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "services/InstanceLock.h"
#include "shell/MainForm.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"

#include <QFile>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const char* const GoodPack = R"({
  "format": 1,
  "name": "Viewer",
  "executables": ["viewer"],
  "shortcuts": [
    { "keys": "Ctrl+Shift+P", "name": "Print", "description": "Print the page", "scope": "active" }
  ]
})";

class PackCommands : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const
    {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    std::string Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(Path(name)) << text;
        return Path(name);
    }

    QByteArray BaseFile(const char* name) const
    {
        QFile file(env.dataFolder.filePath(QString("zint/") + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The base as saved.
    std::vector<std::string> SavedBase() const
    {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        return DumpBase(registry);
    }

    // The exit code of the command line, or nullopt when the program goes on.
    std::optional<int> Run(const QStringList& arguments)
    {
        CCommandLine commandLine;
        const auto usage = commandLine.Parse(env.platform, QStringList{"quorvel"} + arguments);
        return usage ? usage : RunPackCommand(env.platform, commandLine);
    }

    FakeEnvironment env;
    QTemporaryDir dir;
};

} // namespace

TEST_F(PackCommands, ABadFileLeavesTheBaseFilesAsTheyWereByteForByte)
{
    CDBRegistry registry;
    registry.GetLoader()->Load();
    AddGeneratedBase(registry, 3, 4);
    registry.GetLoader()->Save();
    const QByteArray programs = BaseFile("programs.dat");
    const QByteArray shortcuts = BaseFile("shortcuts.dat");

    std::string bad = GoodPack;
    bad.replace(bad.find("Ctrl+Shift+P"), 12, "Ctrl+Shift");
    const std::string path = Write("bad.json", bad);
    const ImportOutcome refused = ImportAndSave(registry, path);
    EXPECT_FALSE(refused.succeeded);
    EXPECT_NE(refused.text.find(path), std::string::npos) << refused.text;
    EXPECT_NE(refused.text.find("строка 6, поле shortcuts[0].keys"), std::string::npos)
        << refused.text;
    EXPECT_EQ(BaseFile("programs.dat"), programs);
    EXPECT_EQ(BaseFile("shortcuts.dat"), shortcuts);

    const ImportOutcome imported = ImportAndSave(registry, Write("good.json", GoodPack));
    EXPECT_TRUE(imported.succeeded) << imported.text;
    const std::vector<std::string> saved = SavedBase();
    EXPECT_EQ(saved.end()[-2], "Viewer | viewer");
    EXPECT_EQ(saved.back(), "  Ctrl + Shift + P | Print | Print the page | normal | 0:0");
}

TEST_F(PackCommands, WithoutARunningCopyTheCommandLineWorksOnTheFiles)
{
    EXPECT_EQ(Run({}), std::nullopt);
    EXPECT_EQ(Run({"--program", "x"}), 2);
    EXPECT_EQ(Run({"--import", "a.json", "--export", "b.json"}), 2);

    EXPECT_EQ(Run({"--import", QString::fromStdString(Write("good.json", GoodPack))}), 0);
    EXPECT_EQ(SavedBase().back(), "  Ctrl + Shift + P | Print | Print the page | normal | 0:0");
    EXPECT_EQ(Run({"--import", QString::fromStdString(Path("missing.json"))}), 1);

    const QString exported = QString::fromStdString(Path("viewer.json"));
    EXPECT_EQ(Run({"--export", exported, "--program", "VIEWER"}), 0);
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\"Ctrl+Shift+P\""));
    EXPECT_EQ(Run({"--export", exported, "--program", "nothing"}), 1);
}

TEST_F(PackCommands, WhileQuorvelRunsAnImportIsHandedToIt)
{
    TMainForm form(env.platform);
    ASSERT_TRUE(form.IsFirstInstance());
    const std::string path = Write("good.json", GoodPack);
    // The later copy only hands the file over; the running one imports and saves it.
    EXPECT_EQ(Run({"--import", QString::fromStdString(path)}), 0);
    ASSERT_FALSE(env.platform.sentMessages.empty());
    EXPECT_EQ(env.platform.sentMessages.back().second, ImportRequest(path));
    // The file is read in a worker; the running copy's base then holds it, so its next save keeps
    // it, and it is saved.
    const std::string print = "  Ctrl + Shift + P | Print | Print the page | normal | 0:0";
    EXPECT_TRUE(QTest::qWaitFor([&] { return DumpBase(*form.Registry()).back() == print; }, 20000));
    EXPECT_EQ(SavedBase().back(), print);

    EXPECT_EQ(ImportRequestFile("Import /tmp/a b.json"), "/tmp/a b.json");
    EXPECT_EQ(ImportRequestFile("OtherInstanceOfQuorvelStarted"), std::nullopt);
    EXPECT_EQ(ImportRequestFile("Import "), std::nullopt);
}

TEST_F(PackCommands, AnImportTheRunningCopyRefusesEndsWithItsReason)
{
    TMainForm form(env.platform);
    ASSERT_TRUE(form.IsFirstInstance());
    std::string bad = GoodPack;
    bad.replace(bad.find("Ctrl+Shift+P"), 12, "Ctrl+Shift");
    const std::string path = Write("bad.json", bad);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run({"--import", QString::fromStdString(path)}), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string problem = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_NE(problem.find(path), std::string::npos) << problem;
    EXPECT_NE(problem.find("строка 6, поле shortcuts[0].keys"), std::string::npos) << problem;

    // Only an answer of the running copy counts as one.
    EXPECT_EQ(ReadImportAnswer("imported\nAdded: 1"), (ImportOutcome{true, "Added: 1"}));
    EXPECT_EQ(ReadImportAnswer(ImportAnswer({false, "line 1\nline 2"})),
              (ImportOutcome{false, "line 1\nline 2"}));
    EXPECT_EQ(ReadImportAnswer("imported"), std::nullopt);
    EXPECT_EQ(ReadImportAnswer("maybe\ntext"), std::nullopt);
}

TEST_F(PackCommands, AnImportTheRunningCopyDoesNotTakeFails)
{
    // Another copy holds the marker but listens to nothing.
    CInstanceLock running(env.platform);
    ASSERT_TRUE(running.Acquire(TMainForm::InstanceLockName));
    EXPECT_EQ(Run({"--import", QString::fromStdString(Write("good.json", GoodPack))}), 1);
    EXPECT_TRUE(BaseFile("programs.dat").isEmpty());
}
