#pragma once

#include "database/RecordLink.h"

#include <memory>

class CDataSetLoader;
class CShortcutTables;
class DataSet;

// Owns the user's tables and their file loader; every part of the program that reads or edits the
// base is given this registry.
class CDBRegistry
{
public:
    CDBRegistry();
    ~CDBRegistry();
    CDBRegistry(const CDBRegistry&) = delete;
    CDBRegistry& operator=(const CDBRegistry&) = delete;

    DataSet* GetPrograms();
    DataSet* GetShortcuts();
    // A link to the current record of one of the two tables; null when the table shows no
    // record. Any other data set is a programming error (std::logic_error).
    std::unique_ptr<IRecordLink> CreateRecordLink(DataSet* dataSet);
    // Releases a link (with the program link a shortcut link holds); the record stays.
    void Delete(std::unique_ptr<IRecordLink> link);
    CDataSetLoader* GetLoader();
    // Changes whenever either table changes (an edit, a post, a delete, a load).
    std::uint64_t Revision() const;

private:
    std::unique_ptr<CShortcutTables> tables_;
    std::unique_ptr<CDataSetLoader> loader_;
};
