#include "database/RecordLink.h"

#include "framework/DataSet.h"

CRecordLink::CRecordLink(DataSet* dataSet, std::string keyField,
                         std::shared_ptr<CRecordLink> parent)
    : dataSet_(dataSet), parent_(std::move(parent)), keyField_(std::move(keyField))
{
    if (dataSet_) {
        keyValue_ = dataSet_->FieldByName(keyField_).AsInteger();
    }
}

bool CRecordLink::Locate()
{
    if (!dataSet_ || keyField_.empty()) {
        return false;
    }
    // The master record first, so that the detail table shows the linked record's group.
    if (parent_ && !parent_->Locate()) {
        return false;
    }
    dataSet_->Locate(keyField_, keyValue_);
    const Field key = dataSet_->FieldByName(keyField_);
    return !key.IsNull() && key.AsInteger() == keyValue_;
}

bool CRecordLink::DeleteRecord()
{
    if (!Locate()) {
        return false;
    }
    dataSet_->Delete();
    dataSet_ = nullptr;
    parent_.reset();
    return true;
}

std::unique_ptr<IRecordLink> CRecordLink::InsertRecord()
{
    if (!Locate()) {
        return nullptr;
    }
    dataSet_->Next();
    if (dataSet_->Eof()) {
        dataSet_->Append();
    } else {
        dataSet_->Insert();
    }
    return std::make_unique<CRecordLink>(dataSet_, keyField_, parent_);
}
