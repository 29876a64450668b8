#pragma once

#include "database/Crecordlink.h"

#include <memory>

class DataSet;
class IDataSetLoader;
class TdmRegistry;
class CDataSetLoader;

// The way every part of the program reaches the user's tables. A plain IDBRegistry forwards
// each call to the registered implementation, Registry.
class IDBRegistry
{
public:
    // The registered implementation; null while there is none.
    static IDBRegistry* Registry;

    virtual ~IDBRegistry() = default;

    virtual DataSet* GetPrograms();
    virtual DataSet* GetShortcuts();
    // A link to the table's current record; null when the table shows no record.
    virtual std::unique_ptr<IRecordLink> CreateRecordLink(DataSet* dataSet);
    // Releases a link (with the program link a shortcut link holds); the record stays.
    virtual void Delete(std::unique_ptr<IRecordLink> link);
    virtual IDataSetLoader* GetLoader();

private:
    static IDBRegistry& Registered();
};

// The implementation: owns the tables and their file loader. One may exist at a time.
class CDBRegistry : public IDBRegistry
{
public:
    CDBRegistry();
    ~CDBRegistry() override;
    CDBRegistry(const CDBRegistry&) = delete;
    CDBRegistry& operator=(const CDBRegistry&) = delete;

    DataSet* GetPrograms() override;
    DataSet* GetShortcuts() override;
    std::unique_ptr<IRecordLink> CreateRecordLink(DataSet* dataSet) override;
    void Delete(std::unique_ptr<IRecordLink> link) override;
    IDataSetLoader* GetLoader() override;

private:
    std::unique_ptr<TdmRegistry> dataModule_;
    std::unique_ptr<CDataSetLoader> loader_;
};
