#pragma once

#include <cstdint>
#include <memory>
#include <string>

class DataSet;

// Remembers one record of a table by its key, so it can be found again after navigation.
class IRecordLink
{
public:
    virtual ~IRecordLink() = default;
    // Makes the linked record current.
    virtual bool Locate() = 0;
    virtual DataSet* GetDataSet() = 0;
    virtual bool DeleteRecord() = 0;
    // Inserts a record just after the linked one; a link to it, or null.
    virtual std::unique_ptr<IRecordLink> InsertRecord() = 0;
};

class CRecordLink : public IRecordLink
{
public:
    // Links the table's current record. parent is the master record's link (a shortcut's
    // program) or null.
    CRecordLink(DataSet* dataSet, std::string keyField, std::shared_ptr<CRecordLink> parent);

    bool Locate() override;
    DataSet* GetDataSet() override { return dataSet_; }
    bool DeleteRecord() override;
    std::unique_ptr<IRecordLink> InsertRecord() override;

private:
    DataSet* dataSet_;
    std::shared_ptr<CRecordLink> parent_;
    std::string keyField_;
    std::int32_t keyValue_ = 0;
};
