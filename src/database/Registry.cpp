#include "database/Registry.h"

#include "database/DataSetLoader.h"
#include "database/ShortcutTables.h"

#include <stdexcept>

CDBRegistry::CDBRegistry()
    : tables_(std::make_unique<CShortcutTables>()),
      loader_(std::make_unique<CDataSetLoader>(tables_.get()))
{
    tables_->EnsureSuperglobal();
}

CDBRegistry::~CDBRegistry() = default;

DataSet* CDBRegistry::GetPrograms()
{
    return &tables_->dsPrograms;
}

DataSet* CDBRegistry::GetShortcuts()
{
    return &tables_->dsShortcuts;
}

std::unique_ptr<IRecordLink> CDBRegistry::CreateRecordLink(DataSet* dataSet)
{
    DataSet* programs = GetPrograms();
    DataSet* shortcuts = GetShortcuts();
    if (dataSet != programs && dataSet != shortcuts) {
        throw std::logic_error("CDBRegistry::CreateRecordLink: not a table of this registry");
    }
    if (dataSet->IsEmpty()) {
        return nullptr;
    }
    std::shared_ptr<CRecordLink> parent;
    if (dataSet == shortcuts) {
        parent = std::make_shared<CRecordLink>(programs, "Id", nullptr);
    }
    return std::make_unique<CRecordLink>(dataSet, "Id", std::move(parent));
}

void CDBRegistry::Delete(std::unique_ptr<IRecordLink> link)
{
    // Destroying the link releases the parent link it shares.
    link.reset();
}

CDataSetLoader* CDBRegistry::GetLoader()
{
    return loader_.get();
}

std::uint64_t CDBRegistry::Revision() const
{
    return tables_->dsPrograms.Revision() + tables_->dsShortcuts.Revision();
}
