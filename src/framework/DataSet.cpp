#include "framework/DataSet.h"

#include "framework/DataSource.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <set>
#include <unistd.h>

namespace {

// Null sorts first; values of one type by their natural order.
int CompareValues(const FieldValue& a, const FieldValue& b)
{
    if (a.index() != b.index()) {
        return a.index() < b.index() ? -1 : 1;
    }
    return std::visit(
        [&b](const auto& left) -> int {
            using T = std::decay_t<decltype(left)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return 0;
            } else {
                const auto& right = std::get<T>(b);
                return left < right ? -1 : (right < left ? 1 : 0);
            }
        },
        a);
}

// Cuts UTF-8 text after the given number of characters.
std::string TruncateText(std::string text, int characters)
{
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && count++ == characters) {
            text.resize(i);
            break;
        }
    }
    return text;
}

bool HoldsType(const FieldValue& value, FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return std::holds_alternative<std::int32_t>(value);
    case FieldType::String:
        return std::holds_alternative<std::string>(value);
    case FieldType::Boolean:
        return std::holds_alternative<bool>(value);
    case FieldType::Blob:
        return std::holds_alternative<Blob>(value);
    }
    return false;
}

const FieldValue& NullValue()
{
    static const FieldValue null;
    return null;
}

} // namespace

// --- Field ------------------------------------------------------------------------------------

const FieldDef& Field::Def() const
{
    return dataSet_->fields_[index_];
}

const FieldValue& Field::Value() const
{
    const auto* record = dataSet_->CurrentRecord();
    return record ? (*record)[index_] : NullValue();
}

bool Field::IsNull() const
{
    return std::holds_alternative<std::monostate>(Value());
}

std::int32_t Field::AsInteger() const
{
    const auto& value = Value();
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return *number;
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag ? 1 : 0;
    }
    return 0;
}

std::string Field::AsString() const
{
    const auto& value = Value();
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag ? "True" : "False";
    }
    if (const auto* bytes = std::get_if<Blob>(&value)) {
        return std::string(bytes->begin(), bytes->end());
    }
    return {};
}

bool Field::AsBoolean() const
{
    const auto& value = Value();
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag;
    }
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return *number != 0;
    }
    return false;
}

const Blob& Field::AsBlob() const
{
    static const Blob empty;
    const auto* bytes = std::get_if<Blob>(&Value());
    return bytes ? *bytes : empty;
}

void Field::SetValue(FieldValue value)
{
    dataSet_->SetFieldValue(index_, std::move(value));
}

// --- DataSet ----------------------------------------------------------------------------------

DataSet::DataSet(std::string tableName, std::vector<FieldDef> fields)
    : tableName_(std::move(tableName)), fields_(std::move(fields))
{
}

DataSet::~DataSet()
{
    SetMasterSource(nullptr, {}, {});
    for (auto* source : std::vector<DataSource*>(sources_)) {
        source->SetDataSet(nullptr);
    }
}

int DataSet::FieldIndex(const std::string& name) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name == name) {
            return static_cast<int>(i);
        }
    }
    throw std::invalid_argument(tableName_ + ": no field " + name);
}

Field DataSet::FieldByName(const std::string& name)
{
    return Field(*this, FieldIndex(name));
}

void DataSet::SetIndexFieldNames(std::vector<std::string> names)
{
    CheckBrowseMode();
    indexFields_.clear();
    for (const auto& name : names) {
        indexFields_.push_back(FieldIndex(name));
    }
    orderedValid_ = false;
    RebuildView(CurrentRecord());
    NotifyDataChange(nullptr);
}

void DataSet::SetMasterSource(DataSource* master, const std::string& masterField,
                              const std::string& detailField)
{
    if (master_) {
        master_->RemoveListener(masterListener_);
        if (auto* masterSet = master_->GetDataSet()) {
            std::erase(masterSet->details_, this);
        }
    }
    master_ = master;
    masterField_ = masterField;
    detailField_ = master ? FieldIndex(detailField) : -1;
    if (master_) {
        masterListener_ =
            master_->AddDataChangeListener([this](const Field* field) { MasterChanged(field); });
        if (auto* masterSet = master_->GetDataSet()) {
            masterSet->details_.push_back(this);
        }
        MasterChanged(nullptr);
    }
}

const DataSet::Record* DataSet::CurrentRecord() const
{
    if (state_ != DataSetState::Browse) {
        return &buffer_;
    }
    return current_ >= 0 ? view_[current_] : nullptr;
}

void DataSet::RequireEditing() const
{
    if (state_ == DataSetState::Browse) {
        throw std::logic_error(tableName_ + ": not in edit or insert state");
    }
}

void DataSet::SetFieldValue(int index, FieldValue value)
{
    RequireEditing();
    const FieldDef& def = fields_[index];
    if (!std::holds_alternative<std::monostate>(value) && !HoldsType(value, def.type)) {
        throw std::invalid_argument(tableName_ + ": wrong type of value for " + def.name);
    }
    if (auto* text = std::get_if<std::string>(&value)) {
        *text = TruncateText(std::move(*text), def.size);
    }
    buffer_[index] = std::move(value);
    const Field field(*this, index);
    NotifyDataChange(&field);
}

void DataSet::CheckBrowseMode()
{
    if (state_ != DataSetState::Browse) {
        Post();
    }
}

// --- navigation -------------------------------------------------------------------------------

void DataSet::MoveTo(int position)
{
    const Record* before = CurrentRecord();
    const int count = RecordCount();
    current_ = count == 0 ? -1 : std::clamp(position, 0, count - 1);
    bof_ = eof_ = count == 0;
    if (CurrentRecord() != before) {
        NotifyDataChange(nullptr);
    }
}

void DataSet::First()
{
    CheckBrowseMode();
    MoveTo(0);
    bof_ = true;
}

void DataSet::Last()
{
    CheckBrowseMode();
    MoveTo(RecordCount() - 1);
    eof_ = true;
}

void DataSet::Next()
{
    CheckBrowseMode();
    if (current_ + 1 < RecordCount()) {
        MoveTo(current_ + 1);
    } else {
        eof_ = true;
    }
}

void DataSet::Prior()
{
    CheckBrowseMode();
    if (current_ > 0) {
        MoveTo(current_ - 1);
    } else {
        bof_ = true;
    }
}

bool DataSet::Locate(const std::string& fieldName, const FieldValue& value)
{
    CheckBrowseMode();
    const int index = FieldIndex(fieldName);
    for (std::size_t i = 0; i < view_.size(); ++i) {
        if (CompareValues((*view_[i])[index], value) == 0) {
            MoveTo(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

// --- editing ----------------------------------------------------------------------------------

void DataSet::Edit()
{
    if (state_ != DataSetState::Browse) {
        return;
    }
    if (current_ < 0) {
        Insert();
        return;
    }
    buffer_ = *view_[current_];
    state_ = DataSetState::Edit;
    NotifyStateChange();
}

void DataSet::Insert()
{
    CheckBrowseMode();
    std::size_t position = table_.size();
    if (current_ >= 0) {
        const auto found = std::find_if(table_.begin(), table_.end(), [this](const auto& record) {
            return record.get() == view_[current_];
        });
        position = static_cast<std::size_t>(found - table_.begin());
    }
    BeginInsert(position);
}

void DataSet::Append()
{
    CheckBrowseMode();
    BeginInsert(table_.size());
}

void DataSet::BeginInsert(std::size_t tablePosition)
{
    insertAt_ = tablePosition;
    buffer_.clear();
    for (const auto& def : fields_) {
        buffer_.push_back(def.defaultValue);
    }
    if (master_ && master_->GetDataSet()) {
        DataSet& masterSet = *master_->GetDataSet();
        buffer_[detailField_] = masterSet.FieldByName(masterField_).Value();
    }
    state_ = DataSetState::Insert;
    NotifyStateChange();
    NotifyDataChange(nullptr);
    if (AfterInsert) {
        AfterInsert(*this);
    }
}

void DataSet::Post()
{
    RequireEditing();
    Record* posted = nullptr;
    if (state_ == DataSetState::Insert) {
        auto record = std::make_unique<Record>(std::move(buffer_));
        posted = record.get();
        table_.insert(table_.begin() + static_cast<std::ptrdiff_t>(insertAt_), std::move(record));
    } else {
        posted = view_[current_];
        *posted = std::move(buffer_);
    }
    buffer_.clear();
    state_ = DataSetState::Browse;
    orderedValid_ = false;
    RebuildView(posted);
    NotifyStateChange();
    NotifyDataChange(nullptr);
}

void DataSet::Cancel()
{
    if (state_ == DataSetState::Browse) {
        return;
    }
    buffer_.clear();
    state_ = DataSetState::Browse;
    NotifyStateChange();
    NotifyDataChange(nullptr);
}

void DataSet::Delete()
{
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    Cancel();
    if (current_ < 0) {
        throw std::logic_error(tableName_ + ": no record to delete");
    }
    Record* doomed = view_[current_];
    for (auto* detail : details_) {
        detail->DeleteDetailsOf((*doomed)[FieldIndex(detail->masterField_)]);
    }
    std::erase_if(table_, [doomed](const auto& record) { return record.get() == doomed; });
    orderedValid_ = false;
    RebuildView(nullptr);
    NotifyDataChange(nullptr);
}

void DataSet::DeleteDetailsOf(const FieldValue& key)
{
    if (std::holds_alternative<std::monostate>(key)) {
        return;
    }
    Cancel();
    std::erase_if(table_, [this, &key](const auto& record) {
        return CompareValues((*record)[detailField_], key) == 0;
    });
    orderedValid_ = false;
}

void DataSet::EmptyDataSet()
{
    Cancel();
    table_.clear();
    orderedValid_ = false;
    RebuildView(nullptr);
    NotifyDataChange(nullptr);
}

// --- aggregates -------------------------------------------------------------------------------

std::optional<std::int32_t> DataSet::Max(const std::string& fieldName) const
{
    const int index = FieldIndex(fieldName);
    std::optional<std::int32_t> result;
    for (const auto& record : table_) {
        if (const auto* value = std::get_if<std::int32_t>(&(*record)[index])) {
            result = result ? std::max(*result, *value) : *value;
        }
    }
    return result;
}

std::optional<std::int32_t> DataSet::Min(const std::string& fieldName) const
{
    const int index = FieldIndex(fieldName);
    std::optional<std::int32_t> result;
    for (const auto& record : table_) {
        if (const auto* value = std::get_if<std::int32_t>(&(*record)[index])) {
            result = result ? std::min(*result, *value) : *value;
        }
    }
    return result;
}

// --- visible records --------------------------------------------------------------------------

const std::vector<DataSet::Record*>& DataSet::Ordered()
{
    if (!orderedValid_) {
        ordered_.clear();
        for (const auto& record : table_) {
            ordered_.push_back(record.get());
        }
        std::stable_sort(ordered_.begin(), ordered_.end(), [this](Record* a, Record* b) {
            for (int field : indexFields_) {
                if (const int order = CompareValues((*a)[field], (*b)[field])) {
                    return order < 0;
                }
            }
            return false;
        });
        orderedValid_ = true;
    }
    return ordered_;
}

void DataSet::RebuildView(const Record* keepCurrent)
{
    const auto& ordered = Ordered();
    if (!master_) {
        view_ = ordered;
    } else {
        view_.clear();
        DataSet* masterSet = master_->GetDataSet();
        const FieldValue key =
            masterSet ? masterSet->FieldByName(masterField_).Value() : FieldValue{};
        const auto matches = [this, &key](Record* record) {
            return CompareValues((*record)[detailField_], key) == 0;
        };
        if (std::holds_alternative<std::monostate>(key)) {
            // A master without a current record shows no details.
        } else if (!indexFields_.empty() && indexFields_.front() == detailField_) {
            const auto less = [this](Record* record, const FieldValue& value) {
                return CompareValues((*record)[detailField_], value) < 0;
            };
            auto it = std::lower_bound(ordered.begin(), ordered.end(), key, less);
            for (; it != ordered.end() && matches(*it); ++it) {
                view_.push_back(*it);
            }
        } else {
            std::copy_if(ordered.begin(), ordered.end(), std::back_inserter(view_), matches);
        }
    }
    const auto kept = std::find(view_.begin(), view_.end(), keepCurrent);
    const int count = RecordCount();
    if (keepCurrent && kept != view_.end()) {
        current_ = static_cast<int>(kept - view_.begin());
    } else {
        current_ = count == 0 ? -1 : std::clamp(current_, 0, count - 1);
    }
    bof_ = eof_ = count == 0;
}

void DataSet::MasterChanged(const Field* field)
{
    if (field && field->Name() != masterField_) {
        return;
    }
    CheckBrowseMode();
    current_ = -1;
    RebuildView(nullptr);
    bof_ = true;
    NotifyDataChange(nullptr);
}

void DataSet::NotifyDataChange(const Field* field)
{
    for (auto* source : std::vector<DataSource*>(sources_)) {
        source->DataChanged(field);
    }
}

void DataSet::NotifyStateChange()
{
    for (auto* source : std::vector<DataSource*>(sources_)) {
        source->StateChanged();
    }
}

// --- files ------------------------------------------------------------------------------------

namespace {

constexpr int FileFormatVersion = 1;

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
    Database(const std::string& path, int flags)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            // A failed open still returns a handle to release.
            const DataSetFileError error(db_ ? sqlite3_errmsg(db_) : "out of memory");
            sqlite3_close(db_);
            throw error;
        }
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
        throw DataSetFileError(db_ ? sqlite3_errmsg(db_) : "out of memory");
    }

private:
    sqlite3* db_ = nullptr;
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
        return TruncateText(std::string(text, sqlite3_column_bytes(statement, column)), def.size);
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

// Makes the rename itself durable.
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

} // namespace

void DataSet::LoadFromFile(const std::string& path)
{
    Database db(path, SQLITE_OPEN_READONLY);
    std::set<std::string> columns;
    Statement info(db, "PRAGMA table_info(" + Quoted(tableName_) + ")");
    while (info.Step()) {
        columns.insert(reinterpret_cast<const char*>(sqlite3_column_text(info.Get(), 1)));
    }
    if (columns.empty()) {
        throw DataSetFileError("no table " + tableName_);
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
    orderedValid_ = false;
    current_ = -1;
    RebuildView(nullptr);
    bof_ = true;
    NotifyDataChange(nullptr);
}

void DataSet::SaveToFile(const std::string& path) const
{
    const std::string temporary = path + ".tmp";
    ::unlink(temporary.c_str());
    // Created here, so that the file is the user's alone from its first byte.
    const int created = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created < 0) {
        throw DataSetFileError(SystemError(temporary));
    }
    ::close(created);
    try {
        Database db(temporary, SQLITE_OPEN_READWRITE);
        // The file is not in place until it is complete, so it needs no journal.
        db.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA user_version = " +
                   std::to_string(FileFormatVersion));
        std::string columns;
        std::string names;
        std::string parameters;
        for (const auto& def : fields_) {
            const std::string separator = columns.empty() ? "" : ", ";
            columns += separator + Quoted(def.name) + " " + ColumnType(def.type);
            names += separator + Quoted(def.name);
            parameters += separator + "?";
        }
        db.Execute("CREATE TABLE " + Quoted(tableName_) + " (" + columns + ")");
        db.Execute("BEGIN");
        {
            Statement insert(db, "INSERT INTO " + Quoted(tableName_) + " (" + names + ") VALUES (" +
                                     parameters + ")");
            for (const auto& record : table_) {
                sqlite3_stmt* statement = insert.Get();
                sqlite3_reset(statement);
                for (std::size_t i = 0; i < record->size(); ++i) {
                    const int parameter = static_cast<int>(i) + 1;
                    const FieldValue& value = (*record)[i];
                    if (const auto* number = std::get_if<std::int32_t>(&value)) {
                        sqlite3_bind_int(statement, parameter, *number);
                    } else if (const auto* flag = std::get_if<bool>(&value)) {
                        sqlite3_bind_int(statement, parameter, *flag ? 1 : 0);
                    } else if (const auto* text = std::get_if<std::string>(&value)) {
                        sqlite3_bind_text(statement, parameter, text->data(),
                                          static_cast<int>(text->size()), SQLITE_STATIC);
                    } else if (const auto* bytes = std::get_if<Blob>(&value)) {
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
            }
        }
        db.Execute("COMMIT");
        db.Close();
        const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const std::string error = SystemError(temporary);
            if (fd >= 0) {
                ::close(fd);
            }
            throw DataSetFileError(error);
        }
        ::close(fd);
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            throw DataSetFileError(SystemError(path));
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    SyncFolderOf(path);
}
