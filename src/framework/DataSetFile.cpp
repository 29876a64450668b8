#include "framework/DataSet.h"
#include "framework/SaveSteps.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

// --- files ------------------------------------------------------------------------------------

namespace {

constexpr int BusyTimeoutMs = 1500;
// Virtual machine instructions between calls of the progress handler: the unit of the work
// limit.
constexpr int ProgressInterval = 10000;

// A table as CREATE TABLE makes it: no view, no virtual table.
bool IsPlainTable(sqlite3_stmt* master)
{
    const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(master, 0));
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(master, 1));
    return type && sql && std::strcmp(type, "table") == 0 &&
           sqlite3_strnicmp(sql, "CREATE TABLE", 12) == 0;
}

std::string Quoted(const std::string& name)
{
    return '"' + name + '"';
}

const char* ColumnType(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return "TEXT";
    case FieldType::Blob:
        return "BLOB";
    case FieldType::Integer:
    case FieldType::Boolean:
        break;
    }
    return "INTEGER";
}

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

class Database
{
public:
    // workLimit: see DataSet::MaxFileWork.
    Database(const std::string& path, int flags, long workLimit = DataSet::MaxFileWork)
        : workLimit_(workLimit)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            // A failed open still returns a handle to release.
            const DataSetFileError error(db_ ? sqlite3_errmsg(db_) : "out of memory");
            sqlite3_close(db_);
            throw error;
        }
        // A writer in another process holds the file for a moment; wait that long, not forever.
        sqlite3_busy_timeout(db_, BusyTimeoutMs);
        sqlite3_progress_handler(db_, ProgressInterval, &Database::OutOfBudget, this);
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Execute(const std::string& sql)
    {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            Fail();
        }
    }
    sqlite3_stmt* Prepare(const std::string& sql)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            Fail();
        }
        return statement;
    }
    // Closes now so that errors of the last write are seen.
    void Close()
    {
        if (sqlite3_close(db_) != SQLITE_OK) {
            Fail();
        }
        db_ = nullptr;
    }
    [[noreturn]] void Fail() const
    {
        if (!db_) {
            throw DataSetFileError("out of memory");
        }
        const int code = sqlite3_errcode(db_);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            throw DataSetFileError(sqlite3_errmsg(db_), DataSetFileError::Kind::Busy);
        }
        throw DataSetFileError(sqlite3_errmsg(db_));
    }

private:
    // Stops any statement that runs far longer than reading the largest base takes.
    static int OutOfBudget(void* database)
    {
        auto* self = static_cast<Database*>(database);
        return ++self->steps_ > self->workLimit_ ? 1 : 0;
    }

    sqlite3* db_ = nullptr;
    long workLimit_;
    long steps_ = 0;
};

class Statement
{
public:
    Statement(Database& db, const std::string& sql) : db_(db), statement_(db.Prepare(sql)) {}
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True while there is a row.
    bool Step()
    {
        const int result = sqlite3_step(statement_);
        if (result != SQLITE_ROW && result != SQLITE_DONE) {
            db_.Fail();
        }
        return result == SQLITE_ROW;
    }
    sqlite3_stmt* Get() const { return statement_; }

private:
    Database& db_;
    sqlite3_stmt* statement_;
};

FieldValue ReadColumn(sqlite3_stmt* statement, int column, const FieldDef& def)
{
    const int type = sqlite3_column_type(statement, column);
    if (type == SQLITE_NULL) {
        return {};
    }
    const auto bad = [&def] {
        return DataSetFileError("column " + def.name + " holds a value of another type");
    };
    switch (def.type) {
    case FieldType::Integer: {
        const sqlite3_int64 number = sqlite3_column_int64(statement, column);
        if (type != SQLITE_INTEGER || number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
            throw bad();
        }
        return static_cast<std::int32_t>(number);
    }
    case FieldType::Boolean:
        if (type != SQLITE_INTEGER) {
            throw bad();
        }
        return sqlite3_column_int64(statement, column) != 0;
    case FieldType::String: {
        if (type == SQLITE_BLOB) {
            throw bad();
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return DataSet::TruncateText(std::string(text, sqlite3_column_bytes(statement, column)),
                                     def.size);
    }
    case FieldType::Blob: {
        if (type != SQLITE_BLOB && type != SQLITE_TEXT) {
            throw bad();
        }
        const auto* bytes =
            static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
        return Blob(bytes, bytes + sqlite3_column_bytes(statement, column));
    }
    }
    throw bad();
}

} // namespace

namespace savesteps {

namespace {

std::function<void(SaveStep)>& Observer()
{
    static std::function<void(SaveStep)> observer;
    return observer;
}

} // namespace

void Reached(SaveStep step)
{
    if (Observer()) {
        Observer()(step);
    }
}

void SyncFolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace savesteps

using savesteps::Reached;
using savesteps::SyncFolderOf;

int DataSet::LoadFromFile(const std::string& path, long workLimit)
{
    // Checked before anything opens the file: opening a pipe would wait for a writer forever.
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        throw DataSetFileError(path + ": not a regular file", DataSetFileError::Kind::NotRegular);
    }
    if (::access(path.c_str(), R_OK) != 0 && errno == EACCES) {
        throw DataSetFileError(SystemError(path), DataSetFileError::Kind::Denied);
    }
    // Opened for writing where allowed, so that SQLite can roll back a hot journal.
    const bool writable = ::access(path.c_str(), W_OK) == 0;
    Database db(path, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, workLimit);
    int version = 0;
    {
        Statement pragma(db, "PRAGMA user_version");
        if (pragma.Step()) {
            version = sqlite3_column_int(pragma.Get(), 0);
        }
    }
    {
        // A view or a virtual table under the table's name could run any query, without end.
        Statement kind(db, "SELECT type, sql FROM sqlite_master WHERE name = ?1 COLLATE NOCASE "
                           "AND type IN ('table', 'view')");
        sqlite3_bind_text(kind.Get(), 1, tableName_.c_str(), -1, SQLITE_TRANSIENT);
        if (!kind.Step() || !IsPlainTable(kind.Get())) {
            throw DataSetFileError("no table " + tableName_);
        }
    }
    std::set<std::string> columns;
    Statement info(db, "PRAGMA table_info(" + Quoted(tableName_) + ")");
    while (info.Step()) {
        columns.insert(reinterpret_cast<const char*>(sqlite3_column_text(info.Get(), 1)));
    }
    // A table of another tool that shares the name but none of the columns is no table of ours.
    const bool shared =
        std::any_of(fields_.begin(), fields_.end(),
                    [&columns](const FieldDef& def) { return columns.count(def.name); });
    if (!shared) {
        throw DataSetFileError("no table " + tableName_ + " of the expected columns");
    }
    // Fields without a column (a file of another tool) stay null; extra columns are ignored.
    std::vector<int> present;
    std::string select;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (columns.count(fields_[i].name)) {
            select += (select.empty() ? "" : ", ") + Quoted(fields_[i].name);
            present.push_back(static_cast<int>(i));
        }
    }
    if (select.empty()) {
        select = "NULL";
    }
    std::vector<std::unique_ptr<Record>> loaded;
    Statement rows(db, "SELECT " + select + " FROM " + Quoted(tableName_) + " ORDER BY rowid");
    while (rows.Step()) {
        auto record = std::make_unique<Record>(fields_.size());
        for (std::size_t column = 0; column < present.size(); ++column) {
            (*record)[present[column]] =
                ReadColumn(rows.Get(), static_cast<int>(column), fields_[present[column]]);
        }
        loaded.push_back(std::move(record));
    }
    Cancel();
    table_ = std::move(loaded);
    ++revision_;
    orderedValid_ = false;
    current_ = -1;
    RebuildView(nullptr);
    bof_ = true;
    NotifyDataChange(nullptr);
    return version;
}

void DataSet::SetSaveStepObserver(std::function<void(SaveStep)> observer)
{
    savesteps::Observer() = std::move(observer);
}

TableSnapshot DataSet::Snapshot() const
{
    TableSnapshot snapshot{tableName_, fields_, {}, revision_};
    snapshot.records.reserve(table_.size());
    for (const auto& record : table_) {
        snapshot.records.push_back(*record);
    }
    return snapshot;
}

void TableSnapshot::WriteToFile(const std::string& path) const
{
    ::unlink(path.c_str());
    // Created here, so that the file is the user's alone from its first byte.
    const int created = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created < 0) {
        throw DataSetFileError(SystemError(path));
    }
    ::close(created);
    Reached(SaveStep::TemporaryCreated);
    try {
        Database db(path, SQLITE_OPEN_READWRITE);
        // The file is not in place until it is complete, so it needs no journal.
        db.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA user_version = " +
                   std::to_string(DataSet::FileFormatVersion));
        std::string columns;
        std::string names;
        std::string parameters;
        for (const auto& def : fields) {
            const std::string separator = columns.empty() ? "" : ", ";
            columns += separator + Quoted(def.name) + " " + ColumnType(def.type);
            names += separator + Quoted(def.name);
            parameters += separator + "?";
        }
        db.Execute("CREATE TABLE " + Quoted(tableName) + " (" + columns + ")");
        db.Execute("BEGIN");
        {
            Statement insert(db, "INSERT INTO " + Quoted(tableName) + " (" + names + ") VALUES (" +
                                     parameters + ")");
            for (const auto& record : records) {
                sqlite3_stmt* statement = insert.Get();
                sqlite3_reset(statement);
                for (std::size_t i = 0; i < record.size(); ++i) {
                    const int parameter = static_cast<int>(i) + 1;
                    const FieldValue& value = record[i];
                    if (const auto* number = std::get_if<std::int32_t>(&value)) {
                        sqlite3_bind_int(statement, parameter, *number);
                    } else if (const auto* flag = std::get_if<bool>(&value)) {
                        sqlite3_bind_int(statement, parameter, *flag ? 1 : 0);
                    } else if (const auto* text = std::get_if<std::string>(&value)) {
                        sqlite3_bind_text(statement, parameter, text->data(),
                                          static_cast<int>(text->size()), SQLITE_STATIC);
                    } else if (const auto* blob = std::get_if<BlobValue>(&value)) {
                        const Blob* bytes = &blob->Bytes();
                        // An empty blob stays a blob, not a null (a null pointer would bind null).
                        if (bytes->empty()) {
                            sqlite3_bind_zeroblob(statement, parameter, 0);
                        } else {
                            sqlite3_bind_blob(statement, parameter, bytes->data(),
                                              static_cast<int>(bytes->size()), SQLITE_STATIC);
                        }
                    } else {
                        sqlite3_bind_null(statement, parameter);
                    }
                }
                insert.Step();
                Reached(SaveStep::RowWritten);
            }
        }
        db.Execute("COMMIT");
        db.Close();
        Reached(SaveStep::Committed);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const std::string error = SystemError(path);
            if (fd >= 0) {
                ::close(fd);
            }
            throw DataSetFileError(error);
        }
        ::close(fd);
        Reached(SaveStep::Synced);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
}
