#include "framework/DataSet.h"
#include "framework/DataSetGroup.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>

namespace {

std::vector<FieldDef> Fields()
{
    return {{"Id", FieldType::Integer, 0, {}},
            {"Name", FieldType::String, 20, {}},
            {"Flag", FieldType::Boolean, 0, true},
            {"Data", FieldType::Blob, 0, {}}};
}

void Execute(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

bool Exists(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0;
}

class DataSetFile : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) { return dir.filePath(name.c_str()).toStdString(); }
    void Save(const DataSet& table, const std::string& name)
    {
        const TableSnapshot snapshot = table.Snapshot();
        SaveTablesTogether({{&snapshot, Path(name)}}, Path("items.journal"));
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(DataSetFile, RoundTripKeepsOrderTextsBlobsAndNulls)
{
    DataSet table("items", Fields());
    const std::vector<FieldValue> names = {std::string("Блокнот"), FieldValue{}, std::string("")};
    const std::vector<FieldValue> blobs = {Blob{0x00, 0xFF, 0x10}, FieldValue{}, Blob{}};
    for (int i = 0; i < 3; ++i) {
        table.Append();
        table.FieldByName("Id").SetValue(3 - i);
        table.FieldByName("Name").SetValue(names[i]);
        table.FieldByName("Flag").SetValue(i == 1 ? FieldValue{} : FieldValue{i == 0});
        table.FieldByName("Data").SetValue(blobs[i]);
        table.Post();
    }
    Save(table, "items.dat");

    DataSet loaded("items", Fields());
    loaded.LoadFromFile(Path("items.dat"));
    ASSERT_EQ(loaded.RecordCount(), 3);
    int i = 0;
    for (loaded.First(); !loaded.Eof(); loaded.Next(), ++i) {
        EXPECT_EQ(loaded.FieldByName("Id").AsInteger(), 3 - i);
        EXPECT_EQ(loaded.FieldByName("Name").Value(), names[i]);
        EXPECT_EQ(loaded.FieldByName("Flag").Value(), i == 1 ? FieldValue{} : FieldValue{i == 0});
        EXPECT_EQ(loaded.FieldByName("Data").Value(), blobs[i]);
    }

    struct stat info
    {
    };
    ASSERT_EQ(stat(Path("items.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(Exists(Path("items.dat.tmp")));
    EXPECT_FALSE(Exists(Path("items.journal")));
}

TEST_F(DataSetFile, WritesAPlainSqliteTableWithTheFormatVersion)
{
    DataSet table("items", Fields());
    table.Append();
    table.FieldByName("Id").SetValue(5);
    table.FieldByName("Name").SetValue(std::string("x"));
    table.Post();
    Save(table, "items.dat");

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path("items.dat").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT (SELECT user_version FROM pragma_user_version), "
                                 "typeof(Id), typeof(Name), typeof(Flag), typeof(Data) FROM items",
                                 -1, &statement, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), DataSet::FileFormatVersion);
    const char* types[] = {"integer", "text", "integer", "null"};
    for (int column = 1; column <= 4; ++column) {
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                     types[column - 1]);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

TEST_F(DataSetFile, ReadsAFileOfAnotherTool)
{
    // Other column order, a column missing, an extra one, rows inserted out of Id order.
    Execute(Path("other.dat"), "CREATE TABLE items (Extra TEXT, Name TEXT, Id INTEGER);"
                               "INSERT INTO items VALUES ('e', 'Второй', 2);"
                               "INSERT INTO items VALUES (NULL, 'Первый', 1);");
    DataSet table("items", Fields());
    table.LoadFromFile(Path("other.dat"));
    ASSERT_EQ(table.RecordCount(), 2);
    table.First();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 2);
    EXPECT_EQ(table.FieldByName("Name").AsString(), "Второй");
    EXPECT_TRUE(table.FieldByName("Flag").IsNull());

    // Table names are SQLite's, whatever their case.
    Execute(Path("capitals.dat"), "CREATE TABLE ITEMS (Id INTEGER); INSERT INTO ITEMS VALUES (7);");
    table.LoadFromFile(Path("capitals.dat"));
    ASSERT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 7);
}

TEST_F(DataSetFile, UnreadableFilesFailAndKeepTheRecords)
{
    {
        std::ofstream garbage(Path("garbage.dat"), std::ios::binary);
        garbage << "this is not a database at all, just some text of sufficient length";
    }
    Execute(Path("othertable.dat"), "CREATE TABLE something (Id INTEGER);");
    Execute(Path("badtype.dat"), "CREATE TABLE items (Id INTEGER); INSERT INTO items VALUES "
                                 "('seven');");
    Execute(Path("toolarge.dat"), "CREATE TABLE items (Id INTEGER); INSERT INTO items VALUES "
                                  "(4294967296);");
    DataSet table("items", Fields());
    table.Append();
    table.FieldByName("Id").SetValue(1);
    table.Post();
    for (const char* name :
         {"garbage.dat", "othertable.dat", "badtype.dat", "toolarge.dat", "missing.dat"}) {
        EXPECT_THROW(table.LoadFromFile(Path(name)), DataSetFileError) << name;
        EXPECT_EQ(table.RecordCount(), 1) << name;
    }
}

TEST_F(DataSetFile, ASaveThatFailsBeforeItsJournalLeavesEveryFileAsItWas)
{
    DataSet first("items", Fields());
    DataSet second("items", Fields());
    Save(first, "first.dat");
    first.Append();
    first.Post();
    // The second file cannot be written: the first, already written beside its file, goes too.
    const TableSnapshot firstSnapshot = first.Snapshot();
    const TableSnapshot secondSnapshot = second.Snapshot();
    EXPECT_THROW(SaveTablesTogether({{&firstSnapshot, Path("first.dat")},
                                     {&secondSnapshot, Path("no-such-folder/second.dat")}},
                                    Path("items.journal")),
                 DataSetFileError);
    first.LoadFromFile(Path("first.dat"));
    EXPECT_TRUE(first.IsEmpty());
    EXPECT_FALSE(Exists(Path("first.dat.tmp")));
    EXPECT_FALSE(Exists(Path("items.journal")));
}

TEST_F(DataSetFile, RecoveryCompletesACommittedSaveAndUndoesAnUncommittedOne)
{
    DataSet table("items", Fields());
    Save(table, "items.dat");
    table.Append();
    table.Post();
    table.WriteToFile(Path("items.dat.tmp"));
    RecoverTables({Path("items.dat")}, Path("items.journal"));
    EXPECT_FALSE(Exists(Path("items.dat.tmp")));
    table.LoadFromFile(Path("items.dat"));
    EXPECT_TRUE(table.IsEmpty());

    table.Append();
    table.Post();
    table.WriteToFile(Path("items.dat.tmp"));
    std::ofstream(Path("items.journal")) << "items.dat\n";
    // A reader that may not recover reads the committed file.
    EXPECT_EQ(CommittedFile(Path("items.dat"), Path("items.journal")), Path("items.dat.tmp"));
    RecoverTables({Path("items.dat")}, Path("items.journal"));
    EXPECT_FALSE(Exists(Path("items.journal")));
    EXPECT_EQ(CommittedFile(Path("items.dat"), Path("items.journal")), Path("items.dat"));
    table.LoadFromFile(Path("items.dat"));
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(DataSetFile, OnlyARealTableOfTheExpectedColumnsIsRead)
{
    // A view that would run for ever and fill the disk with its temporary results.
    Execute(Path("view.dat"), "CREATE VIEW items AS WITH RECURSIVE n(Id) AS (SELECT 1 UNION ALL "
                              "SELECT Id + 1 FROM n) SELECT Id FROM n;");
    Execute(Path("virtual.dat"), "CREATE VIRTUAL TABLE items USING fts5(Id, Name);");
    Execute(Path("othercolumns.dat"), "CREATE TABLE items (Other INTEGER, Rest TEXT);");
    DataSet table("items", Fields());
    for (const char* name : {"view.dat", "virtual.dat", "othercolumns.dat"}) {
        EXPECT_THROW(table.LoadFromFile(Path(name)), DataSetFileError) << name;
    }
}

TEST_F(DataSetFile, AReadThatNeedsMoreWorkThanItsLimitStopsAndKeepsTheRecords)
{
    // A real table of the expected shape whose rows take some 50,000 instructions to read.
    Execute(Path("long.dat"),
            "CREATE TABLE items (Id INTEGER, Name TEXT, Flag INTEGER, Data BLOB);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
            "INSERT INTO items (Id, Name, Flag) SELECT i, 'item', 1 FROM n;");
    DataSet table("items", Fields());
    table.Append();
    table.Post();
    try {
        table.LoadFromFile(Path("long.dat"), 1);
        ADD_FAILURE() << "read beyond its work limit";
    } catch (const DataSetFileError& error) {
        EXPECT_EQ(error.GetKind(), DataSetFileError::Kind::Unreadable);
    }
    EXPECT_EQ(table.RecordCount(), 1);
    // Within the limit every base is read: this one well inside it.
    table.LoadFromFile(Path("long.dat"), DataSet::MaxFileWork / 1000);
    EXPECT_EQ(table.RecordCount(), 5000);
}
