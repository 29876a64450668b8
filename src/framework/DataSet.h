#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

class DataSet;
class DataSource;

using Blob = std::vector<std::uint8_t>;

// The bytes of a blob field. They never change once stored, so copies share them: a reader may
// keep them (a picture to decode later) at no cost, and they stay valid when the record changes.
class BlobValue
{
public:
    BlobValue(Blob bytes) : bytes_(std::make_shared<const Blob>(std::move(bytes))) {}
    const Blob& Bytes() const { return *bytes_; }
    const std::shared_ptr<const Blob>& Shared() const { return bytes_; }
    bool operator==(const BlobValue& other) const { return Bytes() == other.Bytes(); }
    bool operator<(const BlobValue& other) const { return Bytes() < other.Bytes(); }

private:
    std::shared_ptr<const Blob> bytes_;
};

// A field's value; monostate is null.
using FieldValue = std::variant<std::monostate, std::int32_t, std::string, bool, BlobValue>;

enum class FieldType
{
    Integer,
    String,
    Boolean,
    Blob,
};

struct FieldDef
{
    std::string name;
    FieldType type = FieldType::Integer;
    // Strings: the most characters kept; longer values are cut.
    int size = 0;
    // The value a new record starts with.
    FieldValue defaultValue{};
};

enum class DataSetState
{
    Browse,
    Edit,
    Insert,
};

// A table file that cannot be read or written; the message is the system's detail.
class DataSetFileError : public std::runtime_error
{
public:
    enum class Kind
    {
        Unreadable, // damaged, or no table file at all
        Busy,       // another process holds it locked beyond a short wait
        Denied,     // the user may not read it
        NotRegular, // a folder, a pipe, a device: never opened
    };
    explicit DataSetFileError(const std::string& detail, Kind kind = Kind::Unreadable)
        : std::runtime_error(detail), kind_(kind)
    {
    }
    Kind GetKind() const { return kind_; }

private:
    Kind kind_;
};

// A table's records in table order as they were at one moment: written or merged into while the
// table goes on (by another thread, say). Its blobs are shared with the table, which never changes
// a blob's bytes.
struct TableSnapshot
{
    std::string tableName;
    std::vector<FieldDef> fields;
    std::vector<std::vector<FieldValue>> records;
    // The table's Revision when the snapshot was taken.
    std::uint64_t revision = 0;

    // Writes the records to a new complete file at path (replacing what is there), flushed to
    // the disk; removed again when anything fails. Mode 0600. Throws DataSetFileError.
    void WriteToFile(const std::string& path) const;
};

// The steps of a save, in order: WriteToFile reports the first four (a row once per record);
// SaveTablesTogether (DataSetGroup.h) writes every file, then its journal, renames each file and
// removes the journal.
enum class SaveStep
{
    TemporaryCreated,
    RowWritten,
    Committed,
    Synced,
    JournalWritten,
    Renamed,
    JournalRemoved,
};

// One field of a data set, read from and written to its current record.
class Field
{
public:
    Field(DataSet& dataSet, int index) : dataSet_(&dataSet), index_(index) {}
    // The field of one stored record rather than of the current one; read only.
    Field(DataSet& dataSet, int index, const std::vector<FieldValue>& record)
        : dataSet_(&dataSet), index_(index), record_(&record)
    {
    }

    const FieldDef& Def() const;
    const std::string& Name() const { return Def().name; }
    DataSet& DataSetOf() const { return *dataSet_; }
    const FieldValue& Value() const;

    bool IsNull() const;
    // Null reads as 0, "", false and an empty blob.
    std::int32_t AsInteger() const;
    std::string AsString() const;
    bool AsBoolean() const;
    const Blob& AsBlob() const;
    // The blob's bytes, shared; null for a null field or one of another type.
    std::shared_ptr<const Blob> SharedBlob() const;

    // The data set must be in edit or insert state.
    void SetValue(FieldValue value);
    void Clear() { SetValue(std::monostate{}); }

private:
    DataSet* dataSet_;
    int index_;
    const std::vector<FieldValue>* record_ = nullptr;
};

// An in-memory table: typed fields, a current record, edit and insert states, an optional order
// by index fields and an optional master/detail link. Records keep their table order (the order
// they are saved in); the visible order is the index order, stable for equal keys.
class DataSet
{
public:
    DataSet(std::string tableName, std::vector<FieldDef> fields);
    ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    const std::string& TableName() const { return tableName_; }
    const std::vector<FieldDef>& FieldDefs() const { return fields_; }
    // Throws std::invalid_argument for an unknown name.
    Field FieldByName(const std::string& name);
    // Position of a field in FieldDefs; std::invalid_argument when there is none.
    int FieldIndex(const std::string& name) const;

    using Record = std::vector<FieldValue>;
    // Every stored record in index order, whatever the master shows. Reading them moves no
    // cursor, posts nothing and tells no control; a record being edited reads as last posted.
    const std::vector<Record*>& AllRecords() { return Ordered(); }

    // Orders the visible records by these fields (empty: table order).
    void SetIndexFieldNames(std::vector<std::string> names);
    // Shows only the records whose detailField equals masterField of the master's current
    // record; a new record takes that key. Deleting a master record deletes its detail records.
    void SetMasterSource(DataSource* master, const std::string& masterField,
                         const std::string& detailField);

    DataSetState State() const { return state_; }
    int RecordCount() const { return static_cast<int>(view_.size()); }
    bool IsEmpty() const { return view_.empty() && state_ != DataSetState::Insert; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }

    // Navigation posts a pending edit first.
    void First();
    void Last();
    void Next();
    void Prior();
    // Makes the first visible record whose field equals value current.
    bool Locate(const std::string& fieldName, const FieldValue& value);

    void Edit();
    // A new record before the current one (Insert) or after the last one (Append).
    void Insert();
    void Append();
    void Post();
    void Cancel();
    // Deletes the current record (cancels an insert).
    void Delete();
    // Removes every record.
    void EmptyDataSet();
    // Changes many records in one step (an import), after posting a pending edit: change may edit
    // the stored records and append new ones at the end; the order, the visible records and the
    // controls are brought up to date once, after it. The current record stays current.
    void ChangeRecords(const std::function<void(std::vector<std::unique_ptr<Record>>&)>& change);
    // A record of the fields' default values, to be appended through ChangeRecords.
    Record NewRecord() const;
    // The value as the field stores it (text cut to its size); std::invalid_argument for a value
    // of another type.
    FieldValue CheckedValue(int index, FieldValue value) const;

    // Over every record of the table, whatever the master shows; nullopt when no value.
    std::optional<std::int32_t> Max(const std::string& fieldName) const;
    std::optional<std::int32_t> Min(const std::string& fieldName) const;

    // Changes whenever the records change: a field set, a post, a cancel, a delete, a load.
    std::uint64_t Revision() const { return revision_; }

    // Runs after Insert/Append has made the new record current.
    std::function<void(DataSet&)> AfterInsert;

    // The format version WriteToFile writes. 2: programs carry their windows' classes and desktop
    // entry.
    static constexpr int FileFormatVersion = 2;

    // Replaces the records with those of the table in an SQLite file and returns the file's
    // format version (a newer one may hold what this program does not know). What a writer that
    // died left half done is rolled back first when the file may be written. Throws
    // DataSetFileError, of the kind that tells why.
    int LoadFromFile(const std::string& path, long workLimit = MaxFileWork);
    // The most work reading or writing one file may take, in steps of 10,000 SQLite virtual
    // machine instructions (500 million): far more than the largest base takes, and bounded time
    // for a file made to run forever. A file that needs more is unreadable.
    static constexpr long MaxFileWork = 50000;
    // Called at every step of every save (tests use it to stop a save at a chosen point); an
    // empty observer is skipped.
    static void SetSaveStepObserver(std::function<void(SaveStep)> observer);

    // Cuts UTF-8 text after the given number of characters, as string fields keep it.
    static std::string TruncateText(std::string text, int characters);

    // The records as posted, in table order.
    TableSnapshot Snapshot() const;
    // Writes the Snapshot (see TableSnapshot::WriteToFile).
    void WriteToFile(const std::string& path) const { Snapshot().WriteToFile(path); }

private:
    friend class Field;
    friend class DataSource;

    const Record* CurrentRecord() const;
    void RequireEditing() const;
    void SetFieldValue(int index, FieldValue value);
    void CheckBrowseMode();
    void BeginInsert(std::size_t tablePosition);
    const std::vector<Record*>& Ordered();
    void RebuildView(const Record* keepCurrent);
    void MoveTo(int position);
    void MasterChanged(const Field* field);
    void DeleteDetailsOf(const FieldValue& key);
    void NotifyDataChange(const Field* field);
    void NotifyStateChange();

    std::string tableName_;
    std::vector<FieldDef> fields_;
    std::vector<std::unique_ptr<Record>> table_;
    std::vector<int> indexFields_;
    // Every record in index order; rebuilt after a change.
    std::vector<Record*> ordered_;
    bool orderedValid_ = false;
    std::vector<Record*> view_;
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    DataSetState state_ = DataSetState::Browse;
    std::uint64_t revision_ = 0;
    Record buffer_;
    // Where an insert goes in table order.
    std::size_t insertAt_ = 0;

    DataSource* master_ = nullptr;
    int masterListener_ = 0;
    std::string masterField_;
    int detailField_ = -1;
    std::vector<DataSet*> details_;
    std::vector<DataSource*> sources_;
};
