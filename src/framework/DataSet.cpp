#include "framework/DataSet.h"

#include "framework/DataSource.h"
#include "util/Text.h"
#include "util/Utf8.h"

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
        return std::holds_alternative<BlobValue>(value);
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

std::string DataSet::TruncateText(std::string text, int characters)
{
    return TruncateUtf8(std::move(text), static_cast<std::size_t>(std::max(characters, 0)));
}

const FieldDef& Field::Def() const
{
    return dataSet_->fields_[index_];
}

const FieldValue& Field::Value() const
{
    const auto* record = record_ ? record_ : dataSet_->CurrentRecord();
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
    if (const auto* bytes = std::get_if<BlobValue>(&value)) {
        return std::string(bytes->Bytes().begin(), bytes->Bytes().end());
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
    const auto* bytes = std::get_if<BlobValue>(&Value());
    return bytes ? bytes->Bytes() : empty;
}

std::shared_ptr<const Blob> Field::SharedBlob() const
{
    const auto* bytes = std::get_if<BlobValue>(&Value());
    return bytes ? bytes->Shared() : nullptr;
}

void Field::SetValue(FieldValue value)
{
    if (record_) {
        throw std::logic_error(dataSet_->tableName_ + ": a stored record is read only");
    }
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
    buffer_[index] = CheckedValue(index, std::move(value));
    ++revision_;
    const Field field(*this, index);
    NotifyDataChange(&field);
}

FieldValue DataSet::CheckedValue(int index, FieldValue value) const
{
    const FieldDef& def = fields_[index];
    if (!std::holds_alternative<std::monostate>(value) && !HoldsType(value, def.type)) {
        throw std::invalid_argument(tableName_ + ": wrong type of value for " + def.name);
    }
    if (auto* text = std::get_if<std::string>(&value)) {
        *text = TruncateText(std::move(*text), def.size);
    }
    return value;
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
    buffer_ = NewRecord();
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
    ++revision_;
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
    ++revision_;
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
    ++revision_;
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
    ++revision_;
}

void DataSet::EmptyDataSet()
{
    Cancel();
    table_.clear();
    orderedValid_ = false;
    ++revision_;
    RebuildView(nullptr);
    NotifyDataChange(nullptr);
}

void DataSet::ChangeRecords(
    const std::function<void(std::vector<std::unique_ptr<Record>>&)>& change)
{
    CheckBrowseMode();
    const Record* current = CurrentRecord();
    change(table_);
    orderedValid_ = false;
    ++revision_;
    RebuildView(current);
    NotifyDataChange(nullptr);
}

DataSet::Record DataSet::NewRecord() const
{
    Record record;
    for (const auto& def : fields_) {
        record.push_back(def.defaultValue);
    }
    return record;
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

// By index: a source that detaches itself while it is told leaves the rest in place.
void DataSet::NotifyDataChange(const Field* field)
{
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        sources_[i]->DataChanged(field);
    }
}

void DataSet::NotifyStateChange()
{
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        sources_[i]->StateChanged();
    }
}
