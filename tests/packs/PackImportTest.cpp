// Packs merged into the base and the base written out as packs.
#include "packs/PackExport.h"
#include "packs/PackImport.h"
#include "database/Registry.h"
#include "database/ShortcutTables.h"

#include "framework/DataSource.h"
#include "framework/Exception.h"
#include "platform/VirtualKeys.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

constexpr std::uint16_t Ctrl = vk::Control;
constexpr std::uint16_t Alt = vk::Menu;
constexpr std::uint16_t F1 = 0x70;
constexpr std::uint16_t F5 = 0x74;

PackShortcut Shortcut(CKeyCodes keys, const std::string& name, bool active, Blob icon = {})
{
    return {std::move(keys), name, name + " (description)", active, std::move(icon)};
}

ShortcutPack Program(const std::string& name, std::vector<std::string> executables,
                     std::vector<PackShortcut> shortcuts)
{
    ShortcutPack pack;
    pack.name = name;
    pack.executables = std::move(executables);
    pack.shortcuts = std::move(shortcuts);
    return pack;
}

class PackImport : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const
    {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    FakeEnvironment env;
    QTemporaryDir dir;
    CDBRegistry registry;
};

} // namespace

TEST_F(PackImport, ProgramsMatchByExecutableAndShortcutsByKeysAndScope)
{
    AddShortcut(registry, "/opt/Editor/EDITOR", true, {Ctrl, 'S'}, "Save", "old text");
    AddShortcut(registry, "/opt/Editor/EDITOR", false, {Ctrl, 'O'}, "Open", "global open");
    AddShortcut(registry, "Superglobal", true, {vk::AnyWin, 'E'}, "Files", "old files");
    registry.GetPrograms()->Locate("Id", CShortcutTables::SuperglobalId);

    // A program whose second executable is installed is stored with that one.
    QDir(dir.path()).mkdir("bin");
    const std::string installed = Path("bin/quorvel-test-b");
    std::ofstream(installed) << "#!/bin/sh\n";
    chmod(installed.c_str(), 0755);
    ScopedEnvironment environment;
    environment.Set("PATH", Path("bin"));

    ShortcutPack desktop;
    desktop.desktop = true;
    desktop.shortcuts = {Shortcut({vk::AnyWin, 'E'}, "Files", false)};
    const std::vector<ShortcutPack> packs{
        Program("Editor", {"nothere", "editor"},
                {
                    // The left Ctrl is Ctrl: the same keys, updated with its icon.
                    Shortcut({vk::LControl, 'S'}, "Save", true, Blob{'B', 'M'}),
                    // The same keys as a global shortcut, but active: another shortcut.
                    Shortcut({Ctrl, 'O'}, "Open", true),
                    Shortcut({Alt, vk::Escape}, "Menu", true),
                }),
        desktop,
        Program("New", {"quorvel-test-a", "quorvel-test-b"}, {Shortcut({Ctrl, 'N'}, "N", true)}),
    };
    const ImportReport report = MergePacks(registry, packs);
    // The program the user had selected still is.
    EXPECT_EQ(registry.GetPrograms()->FieldByName("Id").AsInteger(),
              CShortcutTables::SuperglobalId);
    EXPECT_EQ(report.programsAdded, 1);
    EXPECT_EQ(report.programsFound, 1);
    EXPECT_EQ(report.shortcutsAdded, 3);
    EXPECT_EQ(report.shortcutsUpdated, 2);
    const std::vector<std::string> merged{
        " | Superglobal",
        "  Win + E | Files | Files (description) | global | 0:0",
        "/opt/Editor/EDITOR | /opt/Editor/EDITOR",
        "  Ctrl + S | Save | Save (description) | normal | 2:" +
            std::to_string(qHash(QByteArray("BM"))),
        "  Ctrl + O | Open | global open | global | 0:0",
        "  Ctrl + O | Open | Open (description) | normal | 0:0",
        "  Alt + Esc | Menu | Menu (description) | normal | 0:0",
        "New | quorvel-test-b",
        "  Ctrl + N | N | N (description) | normal | 0:0",
    };
    EXPECT_EQ(DumpBase(registry), merged);

    // The same packs again change nothing; a shortcut without an icon keeps the one it has.
    std::vector<ShortcutPack> again = packs;
    again[0].shortcuts[0].icon.clear();
    const ImportReport second = MergePacks(registry, again);
    EXPECT_EQ(second.programsAdded + second.shortcutsAdded, 0);
    EXPECT_EQ(second.shortcutsUpdated, 5);
    EXPECT_EQ(DumpBase(registry), merged);
}

TEST_F(PackImport, AnExportImportedIntoAnEmptyBaseGivesTheSameTables)
{
    AddGeneratedBase(registry, 4, 9);
    AddShortcut(registry, "Superglobal", false, {vk::AnyWin, 'D'}, "Desktop", "Show the desktop");
    AddShortcut(registry, "/usr/bin/Пишущая", true, {Ctrl, vk::Shift, 0xBB}, "Крупнее",
                "Увеличить шрифт");
    // Keys written by character keep their characters, "-" too, which as written names a key.
    AddShortcut(registry, "/usr/bin/Пишущая", true, {Ctrl, CharacterKeyCode(U'+')}, "Больше",
                "Увеличить");
    AddShortcut(registry, "/usr/bin/Пишущая", true, {Ctrl, CharacterKeyCode(U'-')}, "Меньше",
                "Уменьшить");
    const std::string whole = Path("whole.json");
    const ExportReport report = ExportFile(registry, whole);
    EXPECT_EQ(report.programs, 6);
    EXPECT_EQ(report.shortcuts, 4 * 9 + 4);
    EXPECT_TRUE(report.leftOut.empty());

    CDBRegistry empty;
    // Another registry of this process: the tables are its own, whatever folder it would use.
    ImportFile(empty, whole);
    EXPECT_EQ(DumpBase(empty), DumpBase(registry));

    // One program alone is written as its pack.
    const std::string one = Path("one.json");
    ExportFile(registry, one, std::string("PROG2"));
    QFile file(QString::fromStdString(one));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject pack = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(pack.value("format"), QJsonValue(1));
    EXPECT_EQ(pack.value("executables").toArray(), QJsonArray{"/usr/bin/prog2"});
    EXPECT_EQ(pack.value("shortcuts").toArray().size(), 9);
    CDBRegistry single;
    ImportFile(single, one);
    const std::vector<std::string> original = DumpBase(registry);
    std::vector<std::string> expected{" | Superglobal"};
    const auto start = std::find(original.begin(), original.end(), " | /usr/bin/prog2");
    ASSERT_NE(start, original.end());
    expected.insert(expected.end(), start, start + 10);
    EXPECT_EQ(DumpBase(single), expected);
}

TEST_F(PackImport, ModulesOfOneExecutableAreTheirOwnProgramsByWindowClass)
{
    AddShortcut(registry, "/usr/lib/libreoffice/program/soffice.bin", true, {F5}, "Nav",
                "Navigator");
    const PackShortcut slideShow = Shortcut({F5}, "Slide show", true);
    ShortcutPack writer = Program("Writer", {"soffice.bin"}, {Shortcut({F5}, "Nav", true)});
    writer.windowClasses = {"libreoffice-writer"};
    writer.desktopId = "libreoffice-writer.desktop";
    ShortcutPack impress = Program("Impress", {"soffice.bin"}, {slideShow});
    impress.appIds = {"libreoffice-impress"};
    ImportReport report = MergePacks(registry, {writer, impress});
    EXPECT_EQ(report.programsAdded, 2) << "a module is not the program known by soffice.bin";

    // Found again by class, and by desktop entry alone.
    writer.windowClasses.clear();
    impress.shortcuts.front().name = "Show";
    report = MergePacks(registry, {writer, impress});
    EXPECT_EQ(report.programsAdded, 0);
    EXPECT_EQ(report.shortcutsUpdated, 2);
    // A pack known by its executable alone is the program known so.
    report = MergePacks(registry,
                        {Program("LibreOffice", {"soffice.bin"}, {Shortcut({F1}, "Help", true)})});
    EXPECT_EQ(report.programsFound, 1);

    const std::vector<std::string> base = DumpBase(registry);
    EXPECT_EQ(std::count(base.begin(), base.end(),
                         "Writer | soffice.bin | libreoffice-writer libreoffice-writer.desktop"),
              1);
    EXPECT_EQ(std::count(base.begin(), base.end(), "Impress | soffice.bin | libreoffice-impress "),
              1);

    // An export writes what tells the programs apart, and gives them back.
    const std::string whole = Path("whole.json");
    ExportFile(registry, whole);
    CDBRegistry empty;
    ImportFile(empty, whole);
    EXPECT_EQ(DumpBase(empty), DumpBase(registry));
}

TEST_F(PackImport, WhatAPackCannotHoldIsLeftOutAndTold)
{
    AddShortcut(registry, "/usr/bin/app", true, {Ctrl}, "Ctrl", "Modifier only");
    AddShortcut(registry, "/usr/bin/app", true, {Ctrl, 0x90}, "NumLock", "A key without a name");
    AddShortcut(registry, "/usr/bin/app", true, {Ctrl, 'D'}, "", "Only a description here");
    AddShortcut(registry, "/usr/bin/app", true, {Ctrl, 'F'}, "Find", "");
    AddShortcut(registry, "/usr/bin/app", true, {Ctrl, 'G'}, "", "");
    AddShortcut(registry, "", true, {Ctrl, 'H'}, "H", "Program without file");
    const ExportReport report = ExportFile(registry, Path("app.json"), std::string("app"));
    EXPECT_EQ(report.shortcuts, 2);
    EXPECT_EQ(report.leftOut.size(), 3u);

    CDBRegistry imported;
    ImportFile(imported, Path("app.json"));
    EXPECT_EQ(DumpBase(imported),
              (std::vector<std::string>{
                  " | Superglobal",
                  "/usr/bin/app | /usr/bin/app",
                  "  Ctrl + D | Only a description h | Only a description here | normal | 0:0",
                  "  Ctrl + F | Find | Find | normal | 0:0",
              }));

    const ExportReport whole = ExportFile(registry, Path("whole.json"));
    EXPECT_EQ(whole.leftOut.size(), 4u);
    EXPECT_THROW(ExportFile(registry, Path("none.json"), std::string("nothing")), Exception);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("none.json"))));
    EXPECT_THROW(ExportFile(registry, Path("no/folder/x.json")), Exception);
}

TEST_F(PackImport, AFileWithOneBadShortcutChangesNothing)
{
    AddGeneratedBase(registry, 2, 3);
    const std::vector<std::string> before = DumpBase(registry);
    const std::uint64_t revision = registry.Revision();
    // The first program is good; the second has a key that does not exist.
    std::ofstream(Path("bad.json")) << R"({"format": 1, "programs": [
        {"name": "Good", "executables": ["good"], "shortcuts": [
            {"keys": "Ctrl+G", "name": "G", "description": "Good", "scope": "active"}]},
        {"name": "Bad", "executables": ["bad"], "shortcuts": [
            {"keys": "Ctrl+Hyper+B", "name": "B", "description": "Bad", "scope": "active"}]}
    ]})";
    try {
        ImportFile(registry, Path("bad.json"));
        FAIL() << "imported";
    } catch (const Exception& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(Path("bad.json")), std::string::npos) << message;
        EXPECT_NE(message.find("строка 5, поле programs[1].shortcuts[0].keys"), std::string::npos)
            << message;
    }
    EXPECT_EQ(registry.Revision(), revision);
    EXPECT_EQ(DumpBase(registry), before);
}

TEST_F(PackImport, AMergeChangesEachTableOnceHoweverManyProgramsItBrings)
{
    AddGeneratedBase(registry, 100, 2);
    // What a control following the tables sees: once per change, so a merge that went record by
    // record (rebuilding the order and the views each time) would be seen hundreds of times.
    DataSource watchPrograms(registry.GetPrograms());
    DataSource watchShortcuts(registry.GetShortcuts());
    int changes = 0;
    watchPrograms.AddDataChangeListener([&changes](const Field*) { ++changes; });
    watchShortcuts.AddDataChangeListener([&changes](const Field*) { ++changes; });
    std::vector<ShortcutPack> packs;
    for (int i = 0; i < 300; ++i) {
        // Every third program is one of the base's.
        const std::string name = i % 3 ? "new" + std::to_string(i) : "prog" + std::to_string(i / 3);
        packs.push_back(
            Program(name, {"/usr/bin/" + name},
                    {Shortcut({Ctrl, 'A'}, "A", true), Shortcut({Alt, 'Z'}, "Z", true)}));
    }
    const ImportReport report = MergePacks(registry, packs);
    EXPECT_EQ(report.programsAdded, 200);
    EXPECT_EQ(report.programsFound, 100);
    EXPECT_EQ(report.shortcutsUpdated + report.shortcutsAdded, 600);
    EXPECT_EQ(registry.GetPrograms()->AllRecords().size(), 1u + 100 + 200)
        << "with the super-global";
    EXPECT_LE(changes, 4);
}

TEST_F(PackImport, AnExportIsNeverWrittenOverAPipeOrADevice)
{
    AddShortcut(registry, "/usr/bin/app", true, {Ctrl, 'S'}, "Save", "Save the file");
    ASSERT_EQ(mkfifo(Path("pipe.json").c_str(), 0600), 0);
    try {
        ExportFile(registry, Path("pipe.json"));
        FAIL() << "written";
    } catch (const Exception& error) {
        EXPECT_NE(std::string(error.what()).find(Path("pipe.json")), std::string::npos);
    }
    struct stat info
    {
    };
    ASSERT_EQ(lstat(Path("pipe.json").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    // A link to a file is written through.
    std::ofstream(Path("kept.json")) << "old";
    ASSERT_TRUE(QFile::link(QString::fromStdString(Path("kept.json")),
                            QString::fromStdString(Path("link.json"))));
    ExportFile(registry, Path("link.json"));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(Path("link.json"))).isSymLink());
    CDBRegistry imported;
    EXPECT_EQ(ImportFile(imported, Path("kept.json")).shortcutsAdded, 1);
}

TEST_F(PackImport, MessagesQuoteAtMost80CharactersOfWhatAFileHolds)
{
    const std::string longName(1024 * 1024, 'x');
    std::ofstream(Path("long.json")) << R"({"format": 1, "name": "N", "executables": ["n"], ")"
                                     << longName << R"(": 1, "shortcuts": []})";
    try {
        ImportFile(registry, Path("long.json"));
        FAIL() << "imported";
    } catch (const Exception& error) {
        const std::string message = error.what();
        EXPECT_LT(message.size(), 600u) << message.substr(0, 600);
        EXPECT_NE(message.find(std::string(79, 'x') + "…"), std::string::npos);
        EXPECT_EQ(message.find(std::string(81, 'x')), std::string::npos);
    }
}

TEST_F(PackImport, APlanWorkedOutOnSnapshotsIsAppliedOnlyToTheTablesItWasWorkedOutFor)
{
    AddGeneratedBase(registry, 2, 2);
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    const std::vector<ShortcutPack> packs{
        Program("New", {"quorvel-test-new"}, {Shortcut({Ctrl, 'N'}, "N", true)})};
    const std::vector<std::string> before = DumpBase(registry);

    // Worked out on snapshots, the plan leaves the tables alone until it is applied.
    MergePlan plan = PlanMerge(programs.Snapshot(), shortcuts.Snapshot(), packs);
    EXPECT_EQ(plan.report.programsAdded, 1);
    EXPECT_EQ(DumpBase(registry), before);

    // A table edited meanwhile: the plan no longer fits and nothing changes.
    programs.First();
    programs.Edit();
    programs.FieldByName("Name").SetValue(std::string("Renamed"));
    EXPECT_FALSE(ApplyMerge(registry, plan));
    programs.Post();
    const std::vector<std::string> edited = DumpBase(registry);
    EXPECT_FALSE(ApplyMerge(registry, plan));
    EXPECT_EQ(DumpBase(registry), edited);

    MergePlan fresh = PlanMerge(programs.Snapshot(), shortcuts.Snapshot(), packs);
    ASSERT_TRUE(ApplyMerge(registry, fresh));
    // What a save of the merge's result writes is what the tables now hold.
    EXPECT_EQ(fresh.mergedPrograms.records, programs.Snapshot().records);
    EXPECT_EQ(fresh.mergedShortcuts.records, shortcuts.Snapshot().records);
    EXPECT_EQ(DumpBase(registry).end()[-2], "New | quorvel-test-new");
    EXPECT_EQ(DumpBase(registry).back(), "  Ctrl + N | N | N (description) | normal | 0:0");
}
