#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "database/ShortcutTables.h"
#include "database/ShortCutSetLoader.h"

#include "FakeEnvironment.h"
#include "framework/Exception.h"
#include "util/MessageBox.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace {

Blob BmpBytes(QColor colour)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Blob(buffer.data().begin(), buffer.data().end());
}

unsigned Mode(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

class Store : public ::testing::Test
{
protected:
    Store()
    {
        env.platform.specialFolders[platform::SpecialFolderKind::AppData] = AppData();
        registry = std::make_unique<CDBRegistry>();
    }

    std::string AppData() const { return dir.filePath("share").toStdString(); }
    std::string Folder() const { return AppData() + "/zint"; }
    IDataSetLoader& Loader() { return *registry->GetLoader(); }
    DataSet& Programs() { return *registry->GetPrograms(); }
    DataSet& Shortcuts() { return *registry->GetShortcuts(); }

    int AddProgram(const std::string& fileName)
    {
        Programs().Append();
        Programs().FieldByName("FileName").SetValue(fileName);
        Programs().Post();
        return Programs().FieldByName("Id").AsInteger();
    }
    // Adds to the current program.
    int AddShortcut(const std::string& description, FieldValue isNormal = true,
                    FieldValue keyCodes = {}, FieldValue icon = {})
    {
        Shortcuts().Append();
        Shortcuts().FieldByName("Description").SetValue(description);
        Shortcuts().FieldByName("IsNormal").SetValue(std::move(isNormal));
        Shortcuts().FieldByName("KeyCodes").SetValue(std::move(keyCodes));
        Shortcuts().FieldByName("Icon").SetValue(std::move(icon));
        Shortcuts().Post();
        return Shortcuts().FieldByName("Id").AsInteger();
    }
    // Writes garbage over a table file.
    void Damage(const std::string& name)
    {
        QFile file(QString::fromStdString(Folder() + "/" + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(4096, 'x'));
    }
    bool SaveRefused()
    {
        try {
            Loader().Save();
        } catch (const Exception&) {
            return true;
        }
        return false;
    }
    void Restart()
    {
        registry.reset();
        registry = std::make_unique<CDBRegistry>();
        Loader().Load();
    }

    QTemporaryDir dir;
    FakeEnvironment env;
    std::unique_ptr<CDBRegistry> registry;
};

} // namespace

TEST_F(Store, FirstRunCreatesThePrivateFolderAndTheSuperglobalProgram)
{
    Loader().Load();
    EXPECT_EQ(Mode(Folder()), 0700u);
    ASSERT_EQ(Programs().RecordCount(), 1);
    Programs().First();
    EXPECT_EQ(Programs().FieldByName("Id").AsInteger(), 1);
    EXPECT_EQ(Programs().FieldByName("FileName").AsString(), "Superglobal");
    EXPECT_TRUE(Programs().FieldByName("Name").IsNull());
    EXPECT_TRUE(Shortcuts().IsEmpty());
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(Store, IdsAreNumberedOverTheWholeTable)
{
    Loader().Load();
    EXPECT_EQ(AddProgram("a"), 2);
    EXPECT_EQ(AddShortcut("one"), 1);
    EXPECT_EQ(AddShortcut("two"), 2);
    EXPECT_EQ(Shortcuts().FieldByName("ProgramId").AsInteger(), 2);
    EXPECT_EQ(AddProgram("b"), 3);
    EXPECT_EQ(AddShortcut("three"), 3);
}

TEST_F(Store, SaveAndLoadKeepTheBase)
{
    Loader().Load();
    const Blob icon = BmpBytes(Qt::red);
    AddProgram("/usr/bin/блокнот");
    AddShortcut("Сохранить документ", FieldValue{}, Blob{17, 0, 83, 0}, icon);
    Programs().Locate("Id", 1);
    AddShortcut("", false);
    Loader().Save();
    EXPECT_EQ(Mode(Folder() + "/programs.dat"), 0600u);
    EXPECT_EQ(Mode(Folder() + "/shortcuts.dat"), 0600u);

    Restart();
    ASSERT_EQ(Programs().RecordCount(), 2);
    ASSERT_TRUE(Programs().Locate("Id", 2));
    EXPECT_EQ(Programs().FieldByName("FileName").AsString(), "/usr/bin/блокнот");
    ASSERT_EQ(Shortcuts().RecordCount(), 1);
    EXPECT_EQ(Shortcuts().FieldByName("Description").AsString(), "Сохранить документ");
    EXPECT_TRUE(Shortcuts().FieldByName("IsNormal").IsNull());
    EXPECT_EQ(Shortcuts().FieldByName("KeyCodes").AsBlob(), (Blob{17, 0, 83, 0}));
    EXPECT_EQ(Shortcuts().FieldByName("Icon").AsBlob(), icon);
    Programs().Locate("Id", 1);
    ASSERT_EQ(Shortcuts().RecordCount(), 1);
    EXPECT_EQ(Shortcuts().FieldByName("IsNormal").Value(), FieldValue{false});
    EXPECT_TRUE(Shortcuts().FieldByName("ShortName").IsNull());
}

TEST_F(Store, SuperglobalProgramIsAddedOnlyWhenMissing)
{
    QDir().mkpath(QString::fromStdString(Folder()));
    DataSet programs("programs", {{"Id", FieldType::Integer, 0, {}}});
    for (int id : {5, 0, 6}) {
        programs.Append();
        programs.FieldByName("Id").SetValue(id);
        programs.Post();
    }
    programs.WriteToFile(Folder() + "/programs.dat");
    Loader().Load();
    EXPECT_EQ(Programs().RecordCount(), 4);
    EXPECT_TRUE(Programs().Locate("Id", 1));

    // Id 1 present but not the smallest: no second record with Id 1.
    Loader().Save();
    Restart();
    EXPECT_EQ(Programs().RecordCount(), 4);
}

TEST_F(Store, DamagedFileIsMovedAsideReportedAndNeverOverwritten)
{
    Loader().Load();
    AddProgram("kept");
    AddShortcut("kept too");
    Loader().Save();
    Damage("programs.dat");

    Restart();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(Folder() + "/programs.dat.damaged-"), std::string::npos);
    EXPECT_EQ(Programs().RecordCount(), 1);
    EXPECT_TRUE(Shortcuts().IsEmpty());
    Loader().Save();

    // The pair lies aside under one suffix; the intact partner still loads.
    const QStringList aside =
        QDir(QString::fromStdString(Folder())).entryList({"*.damaged-*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(aside.size(), 2);
    EXPECT_EQ(aside[0].mid(aside[0].indexOf(".damaged")),
              aside[1].mid(aside[1].indexOf(".damaged")));
    QFile damaged(QDir(QString::fromStdString(Folder())).filePath(aside[0]));
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    EXPECT_EQ(damaged.readAll(), QByteArray(4096, 'x'));
    DataSet partner("shortcuts", {{"Description", FieldType::String, 256, {}}});
    partner.LoadFromFile(QDir(QString::fromStdString(Folder())).filePath(aside[1]).toStdString());
    partner.First();
    EXPECT_EQ(partner.FieldByName("Description").AsString(), "kept too");
}

TEST_F(Store, AFileInUseElsewhereIsNeitherMovedNorWrittenOver)
{
    Loader().Load();
    AddProgram("kept");
    AddShortcut("kept too");
    Loader().Save();
    const std::string shortcutsFile = Folder() + "/shortcuts.dat";
    QFile before(QString::fromStdString(shortcutsFile));
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    // Another program in the middle of a write transaction holds the file locked.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(shortcutsFile.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    Restart();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(shortcutsFile), std::string::npos);
    EXPECT_TRUE(
        QDir(QString::fromStdString(Folder())).entryList({"*.damaged-*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(SaveRefused());
    QFile after(QString::fromStdString(shortcutsFile));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);

    // Free again: the next load reads the base and saving works.
    Restart();
    EXPECT_EQ(Shortcuts().RecordCount(), 0); // the super-global program is current
    ASSERT_TRUE(Programs().Locate("FileName", std::string("kept")));
    EXPECT_EQ(Shortcuts().RecordCount(), 1);
    EXPECT_NO_THROW(Loader().Save());
}

TEST_F(Store, AFolderThatCannotBeMadeLeavesAnEmptyBaseThatIsNotSaved)
{
    QFile blocker(QString::fromStdString(AppData()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NO_THROW(Loader().Load());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(Folder()), std::string::npos);
    EXPECT_EQ(Programs().RecordCount(), 1); // the super-global program, in memory
    AddProgram("kept in memory");
    EXPECT_TRUE(SaveRefused());
}

TEST_F(Store, AHotJournalIsRolledBackAndNothingMoved)
{
    Loader().Load();
    AddProgram("before the crash");
    Loader().Save();
    const std::string file = Folder() + "/programs.dat";
    // A writer dies in the middle of a transaction: its journal stays beside the file.
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=DELETE; BEGIN; DELETE FROM programs; "
                     "INSERT INTO programs (Id, FileName) VALUES (9, 'half done'); "
                     "PRAGMA cache_size=0;",
                     nullptr, nullptr, nullptr);
        // Enough changes to spill to the file before the commit that never comes.
        for (int i = 0; i < 2000; ++i) {
            sqlite3_exec(db, "INSERT INTO programs (Id, FileName) VALUES (100, 'x')", nullptr,
                         nullptr, nullptr);
        }
        sqlite3_exec(db, "PRAGMA cache_spill=ON", nullptr, nullptr, nullptr);
        _exit(0); // no commit, no close: the journal is hot
    }
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_TRUE(QFile::exists(QString::fromStdString(file + "-journal")));

    Restart();
    EXPECT_TRUE(env.messages.empty());
    EXPECT_TRUE(Programs().Locate("FileName", std::string("before the crash")));
    EXPECT_FALSE(Programs().Locate("FileName", std::string("half done")));
    EXPECT_TRUE(
        QDir(QString::fromStdString(Folder())).entryList({"*.damaged-*"}, QDir::Files).isEmpty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file + "-journal")));
}

TEST_F(Store, ADamagedFileGoesAsideWithItsJournal)
{
    Loader().Load();
    AddProgram("kept");
    Loader().Save();
    Damage("programs.dat");
    // The partner's journal belongs to the partner: it must travel with it.
    const std::string journal = Folder() + "/shortcuts.dat-journal";
    std::ofstream(journal) << "a journal of the partner";

    Restart();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(journal)));
    const QStringList aside =
        QDir(QString::fromStdString(Folder())).entryList({"*.damaged-*"}, QDir::Files, QDir::Name);
    EXPECT_EQ(aside.size(), 3); // the pair and the journal
    for (const QString& name : aside) {
        EXPECT_NE(env.messages[0].find(name.toStdString()), std::string::npos)
            << name.toStdString();
    }

    // A backup put back later loads: no orphan journal spoils it.
    Loader().Save();
    env.messages.clear();
    Restart();
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(Store, ANoticeSeenByNobodyIsShownAtTheNextStart)
{
    Loader().Load();
    AddProgram("kept");
    Loader().Save();
    Damage("programs.dat");

    // The program is killed while the notice is on the screen.
    EXPECT_EXIT(
        {
            SetMessageBoxHandler(
                [](const std::string&, const MessageBoxOptions&) -> MessageButton { _exit(9); });
            Restart();
        },
        ::testing::ExitedWithCode(9), "");

    Restart();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(".damaged-"), std::string::npos);
    env.messages.clear();
    Restart();
    EXPECT_TRUE(env.messages.empty()); // seen once, gone
}

// Runs SQL on a file of the base, as another tool or an older version would have written it.
void RunSql(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

QByteArray Bytes(const std::string& file)
{
    QFile in(QString::fromStdString(file));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

TEST_F(Store, AnUpgradeKeepsEveryRowAndBacksUpTheOlderFiles)
{
    QDir().mkpath(QString::fromStdString(Folder()));
    const std::string programs = Folder() + "/programs.dat";
    const std::string shortcuts = Folder() + "/shortcuts.dat";
    // The first layout: no window classes, no desktop entry.
    RunSql(programs, "PRAGMA user_version = 1;"
                     "CREATE TABLE programs (Id INTEGER, Name TEXT, FileName TEXT);"
                     "INSERT INTO programs VALUES (1, NULL, 'Superglobal'), (2, 'Writer', "
                     "'/usr/lib/libreoffice/program/soffice.bin'), (3, 'Шелл', '/bin/bash');");
    RunSql(shortcuts, "PRAGMA user_version = 1;"
                      "CREATE TABLE shortcuts (Id INTEGER, ProgramId INTEGER, ShortName TEXT, "
                      "Description TEXT, KeyCodes BLOB, IsNormal INTEGER, Icon BLOB);"
                      "INSERT INTO shortcuts VALUES (1, 2, 'Nav', 'Navigator', x'7400', 1, NULL),"
                      "(2, 3, 'Top', 'Scroll up', x'11002400', 0, x''), (3, 1, 'Help', 'Help', "
                      "x'7000', 1, NULL);");
    const QByteArray oldPrograms = Bytes(programs);
    const QByteArray oldShortcuts = Bytes(shortcuts);

    Loader().Load();
    EXPECT_TRUE(env.messages.empty());
    EXPECT_EQ(Bytes(programs + ".version-1"), oldPrograms);
    EXPECT_EQ(Bytes(shortcuts + ".version-1"), oldShortcuts);
    EXPECT_EQ(Mode(programs + ".version-1"), 0600u);
    ASSERT_TRUE(Programs().Locate("Id", 2));
    Programs().Edit();
    Programs().FieldByName("WindowClasses").SetValue(std::string("libreoffice-writer"));
    Programs().Post();
    Loader().Save();

    // The new files hold every row and the new field; the backups are left as they were.
    Restart();
    EXPECT_EQ(Programs().RecordCount(), 3);
    ASSERT_TRUE(Programs().Locate("Id", 3));
    EXPECT_EQ(Programs().FieldByName("Name").AsString(), "Шелл");
    ASSERT_TRUE(Programs().Locate("Id", 2));
    EXPECT_EQ(Programs().FieldByName("WindowClasses").AsString(), "libreoffice-writer");
    EXPECT_EQ(Programs().FieldByName("FileName").AsString(),
              "/usr/lib/libreoffice/program/soffice.bin");
    EXPECT_EQ(Shortcuts().AllRecords().size(), 3u);
    ASSERT_TRUE(Programs().Locate("Id", 3));
    ASSERT_EQ(Shortcuts().RecordCount(), 1);
    EXPECT_EQ(Shortcuts().FieldByName("Description").AsString(), "Scroll up");
    EXPECT_FALSE(Shortcuts().FieldByName("IsNormal").AsBoolean());
    EXPECT_EQ(Shortcuts().FieldByName("KeyCodes").AsBlob(), (Blob{0x11, 0, 0x24, 0}));
    EXPECT_EQ(Bytes(programs + ".version-1"), oldPrograms);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(programs + ".version-2")));
}

TEST_F(Store, ABaseThatCannotBeBackedUpIsNotUpgraded)
{
    QDir().mkpath(QString::fromStdString(Folder()));
    const std::string programs = Folder() + "/programs.dat";
    RunSql(programs, "PRAGMA user_version = 1;"
                     "CREATE TABLE programs (Id INTEGER, Name TEXT, FileName TEXT);"
                     "INSERT INTO programs VALUES (2, 'Old', '/usr/bin/old');");
    const QByteArray before = Bytes(programs);
    // A folder where the backup would go.
    QDir().mkpath(QString::fromStdString(programs + ".version-1.tmp"));
    Loader().Load();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(programs + ".version-1"), std::string::npos);
    EXPECT_TRUE(Programs().Locate("FileName", std::string("/usr/bin/old")));
    EXPECT_TRUE(SaveRefused());
    EXPECT_EQ(Bytes(programs), before);
}

TEST_F(Store, AFileOfANewerVersionIsShownButNeverWritten)
{
    Loader().Load();
    AddProgram("from the future");
    Loader().Save();
    const std::string file = Folder() + "/programs.dat";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    QFile before(QString::fromStdString(file));
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    Restart();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(file), std::string::npos);
    EXPECT_TRUE(Programs().Locate("FileName", std::string("from the future")));
    AddProgram("an edit");
    EXPECT_TRUE(SaveRefused());
    registry.reset(); // the program ends
    QFile after(QString::fromStdString(file));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

TEST_F(Store, APipeInPlaceOfAFileIsNeverOpened)
{
    QDir().mkpath(QString::fromStdString(Folder()));
    ASSERT_EQ(mkfifo((Folder() + "/shortcuts.dat").c_str(), 0600), 0);
    Loader().Load(); // would wait for a writer forever if it opened the pipe
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(Folder() + "/shortcuts.dat"), std::string::npos);
    EXPECT_TRUE(SaveRefused());
}

// Runs body in a child process as an unprivileged user (root may read any file) and expects it to
// end without a complaint; the test folder is handed over to that user first, except keep.
void ExpectAsOrdinaryUser(const std::string& folder, const std::function<std::string()>& body,
                          const std::string& keep = {})
{
    EXPECT_EXIT(
        {
            if (geteuid() == 0) {
                for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
                    if (entry.path() != keep) {
                        lchown(entry.path().c_str(), 65534, 65534);
                    }
                }
                lchown(folder.c_str(), 65534, 65534);
                if (setgid(65534) != 0 || setuid(65534) != 0) {
                    _exit(2);
                }
            }
            const std::string complaint = body();
            std::fprintf(stderr, "%s\n", complaint.c_str());
            _exit(complaint.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(Store, UnreadableFilesAndFoldersAreSaidSoAndNothingMoves)
{
    Loader().Load();
    AddProgram("kept");
    Loader().Save();
    ExpectAsOrdinaryUser(dir.path().toStdString(), [this]() -> std::string {
        const std::string file = Folder() + "/programs.dat";
        chmod(file.c_str(), 0);
        Restart();
        if (env.messages.size() != 1 || env.messages[0].find(file) == std::string::npos) {
            return "no word about the unreadable file";
        }
        if (!QDir(QString::fromStdString(Folder())).entryList({"*.damaged-*"}).isEmpty()) {
            return "an unreadable file was moved aside";
        }
        if (!SaveRefused()) {
            return "an unread base was saved";
        }
        return {};
    });
}

TEST_F(Store, AFolderTheUserMadeUnreadableIsABaseThatStaysUnreadAndUnwritten)
{
    Loader().Load();
    AddProgram("kept");
    Loader().Save();
    ExpectAsOrdinaryUser(dir.path().toStdString(), [this]() -> std::string {
        chmod(Folder().c_str(), 0);
        // The first start must not take it for no base and fill it from the packs.
        if (!registry->GetLoader()->BaseExists()) {
            return "an unreadable base taken for none";
        }
        Restart();
        if (env.messages.size() != 1 || env.messages[0].find(Folder()) == std::string::npos) {
            return "no word about the unreadable folder";
        }
        if (Mode(Folder()) != 0) {
            return "the folder was made readable again";
        }
        if (!SaveRefused()) {
            return "an unread base was saved";
        }
        return {};
    });
}

TEST_F(Store, AFolderOfAnotherUserIsSaidSoAndNotWritten)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a folder of another user";
    }
    Loader().Load();
    AddProgram("kept");
    Loader().Save();
    // The data folder stays root's, unreadable for the user.
    ExpectAsOrdinaryUser(
        dir.path().toStdString(),
        [this]() -> std::string {
            Restart();
            if (env.messages.size() != 1 || env.messages[0].find(Folder()) == std::string::npos) {
                return "no word about the unreadable folder";
            }
            if (!SaveRefused()) {
                return "saved into a folder it cannot use";
            }
            return {};
        },
        Folder());
}

TEST_F(Store, ADamagedFileInAReadOnlyFolderLeavesAnEmptyBaseThatIsNotSaved)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a folder the user cannot write";
    }
    Loader().Load();
    Loader().Save();
    Damage("programs.dat");
    chmod(Folder().c_str(), 0755);
    // The data folder stays root's: readable, not writable for the user.
    ExpectAsOrdinaryUser(
        dir.path().toStdString(),
        [this]() -> std::string {
            Restart(); // refused to run before
            if (env.messages.size() != 1) {
                return "no word about the damaged file";
            }
            if (!SaveRefused()) {
                return "saved into a folder it could not write";
            }
            return {};
        },
        Folder());
}

TEST_F(Store, ExistingFolderIsMadePrivate)
{
    QDir().mkpath(QString::fromStdString(Folder()));
    chmod(Folder().c_str(), 0755);
    Loader().Save();
    EXPECT_EQ(Mode(Folder()), 0700u);
}

TEST_F(Store, ShortcutsAreBuiltByTheTypeRules)
{
    Loader().Load();
    AddProgram("C:\\Tools\\app.exe");
    AddShortcut("normal", true, Blob{17, 0, 83, 0, 65}, BmpBytes(Qt::blue));
    AddShortcut("global", false);
    AddShortcut("empty flag", FieldValue{});
    AddProgram("/usr/bin/gimp");
    Programs().Locate("Id", 1);
    AddShortcut("super", false);

    CShortCutSetLoader loader(env.platform, *registry);
    const auto shortCuts = loader.LoadShortCuts();
    const auto& items = dynamic_cast<CShortCuts&>(*shortCuts).Items();
    ASSERT_EQ(items.size(), 4u);
    // Programs in table order: the super-global program was created first.
    EXPECT_EQ(items[0]->Type, ShortCutType::SuperGlobal);
    EXPECT_EQ(items[0]->Program->FileName, "Superglobal");
    EXPECT_EQ(items[1]->Type, ShortCutType::Normal);
    EXPECT_EQ(items[1]->Program->FileName, "app.exe");
    EXPECT_EQ(items[1]->ActionDescription->Name, "normal");
    EXPECT_EQ(items[1]->KeyCodes, (CKeyCodes{17, 83}));
    EXPECT_EQ(items[1]->ActionDescription->Picture().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(items[2]->Type, ShortCutType::Global);
    EXPECT_EQ(items[3]->Type, ShortCutType::Global);
    // No icon: the picture beside the executable.
    EXPECT_FALSE(items[3]->ActionDescription->Picture().isNull());
    // An editor showing the tables keeps its place: neither current record moved.
    EXPECT_EQ(Programs().FieldByName("Id").AsInteger(), 1);
    EXPECT_EQ(Shortcuts().FieldByName("Description").AsString(), "super");

    // The icons' bytes are the table's own, shared rather than copied, and stay valid after the
    // record changes.
    const auto again = loader.LoadShortCuts();
    const auto& second = dynamic_cast<CShortCuts&>(*again).Items();
    ASSERT_TRUE(items[1]->ActionDescription->IconData);
    EXPECT_EQ(second[1]->ActionDescription->IconData, items[1]->ActionDescription->IconData);
    Programs().Locate("Id", 2);
    Shortcuts().First();
    Shortcuts().Edit();
    Shortcuts().FieldByName("Icon").Clear();
    Shortcuts().Post();
    EXPECT_EQ(items[1]->ActionDescription->Picture().pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(Store, RevisionTellsWhenTheSetMustBeLoadedAgain)
{
    Loader().Load();
    AddProgram("app");
    AddShortcut("one");
    CShortCutSetLoader loader(env.platform, *registry);
    loader.LoadShortCuts();
    const std::uint64_t loaded = loader.Revision();
    loader.LoadShortCuts();
    EXPECT_EQ(loader.Revision(), loaded); // loading reads, it changes nothing
    AddShortcut("two");
    EXPECT_NE(loader.Revision(), loaded);
}

TEST_F(Store, AnIconThatIsNoPictureIsLeftOutAndReportedOnce)
{
    Loader().Load();
    AddProgram("app");
    // Garbage, a header without pixels, and headers claiming pictures far too large to decode.
    Blob huge = BmpBytes(Qt::red);
    huge[18] = 0x60; // width 60000
    huge[19] = 0xEA;
    huge[22] = 0x60; // height 60000
    huge[23] = 0xEA;
    Blob headerOnly = BmpBytes(Qt::red);
    headerOnly.resize(54);
    const Blob good = BmpBytes(Qt::green);
    Shortcuts().Append();
    Shortcuts().FieldByName("ShortName").SetValue(std::string("Broken"));
    Shortcuts().FieldByName("KeyCodes").SetValue(CKeyCodes{17, 0x42}.SaveToBuffer());
    Shortcuts().FieldByName("Icon").SetValue(Blob{'B', 'M', 1, 2, 3});
    Shortcuts().Post();
    AddShortcut("huge", true, FieldValue{}, huge);
    AddShortcut("header only", true, FieldValue{}, headerOnly);
    AddShortcut("good", true, FieldValue{}, good);

    CShortCutSetLoader loader(env.platform, *registry);
    const auto shortCuts = loader.LoadShortCuts();
    const auto& items = dynamic_cast<CShortCuts&>(*shortCuts).Items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_TRUE(items[0]->ActionDescription->Picture().isNull());
    EXPECT_TRUE(items[1]->ActionDescription->Picture().isNull());
    EXPECT_TRUE(items[2]->ActionDescription->Picture().isNull());
    EXPECT_EQ(items[3]->ActionDescription->Picture().pixelColor(0, 0), QColor(Qt::green));
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find("Broken (Ctrl + B)"), std::string::npos);

    // Told once: the next load says nothing more about the same shortcuts.
    AddShortcut("another", true, FieldValue{}, good);
    loader.LoadShortCuts();
    EXPECT_EQ(env.messages.size(), 1u);
}

TEST_F(Store, AMissingEmptyPictureIsAnError)
{
    Loader().Load();
    AddProgram("app");
    AddShortcut("no icon");
    CShortCutSetLoader loader(env.platform, *registry);
    EXPECT_NO_THROW(loader.LoadShortCuts());
    env.platform.executablePath = AppData() + "/nowhere/quorvel";
    CShortCutSetLoader elsewhere(env.platform, *registry);
    EXPECT_THROW(elsewhere.LoadShortCuts(), Exception);
    // A pipe in its place is refused, not opened.
    QDir().mkpath(QString::fromStdString(AppData() + "/piped"));
    ASSERT_EQ(mkfifo((AppData() + "/piped/empty.bmp").c_str(), 0600), 0);
    env.platform.executablePath = AppData() + "/piped/quorvel";
    CShortCutSetLoader piped(env.platform, *registry);
    EXPECT_THROW(piped.LoadShortCuts(), Exception);
}

TEST_F(Store, ABackgroundSaveWritesTheTablesAsAskedAndTheEndWaitsForIt)
{
    Loader().Load();
    AddProgram("/usr/bin/first");
    // The save is held at its first step until the test has changed the tables.
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    bool released = false;
    DataSet::SetSaveStepObserver([&](SaveStep step) {
        if (step != SaveStep::TemporaryCreated) {
            return;
        }
        std::unique_lock lock(mutex);
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
    });
    std::string problem = "not told";
    registry->GetLoader()->SaveInBackground(Programs().Snapshot(), Shortcuts().Snapshot(),
                                            [&](const std::string& text) { problem = text; });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return held; });
    }
    AddProgram("/usr/bin/second");
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    // The end of the loader waits for the save under way.
    Restart();
    DataSet::SetSaveStepObserver(nullptr);
    EXPECT_EQ(problem, "");
    EXPECT_TRUE(Programs().Locate("FileName", std::string("/usr/bin/first")));
    EXPECT_FALSE(Programs().Locate("FileName", std::string("/usr/bin/second")));
}
