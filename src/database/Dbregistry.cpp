#include "database/Dbregistry.h"

#include "database/Datasetloader.h"
#include "database/Udmregistry.h"
#include "framework/Exception.h"
#include "shell/Gettext.h"

IDBRegistry* IDBRegistry::Registry = nullptr;

// --- forwarding -------------------------------------------------------------------------------

IDBRegistry& IDBRegistry::Registered()
{
    if (!Registry) {
        throw Exception(
            Translate("Свойство IDBRegistry::Registry не установленно, реестр недоступен."));
    }
    return *Registry;
}

DataSet* IDBRegistry::GetPrograms()
{
    return Registered().GetPrograms();
}

DataSet* IDBRegistry::GetShortcuts()
{
    return Registered().GetShortcuts();
}

std::unique_ptr<IRecordLink> IDBRegistry::CreateRecordLink(DataSet* dataSet)
{
    return Registered().CreateRecordLink(dataSet);
}

void IDBRegistry::Delete(std::unique_ptr<IRecordLink> link)
{
    Registered().Delete(std::move(link));
}

IDataSetLoader* IDBRegistry::GetLoader()
{
    return Registered().GetLoader();
}

// --- CDBRegistry ------------------------------------------------------------------------------

CDBRegistry::CDBRegistry()
{
    if (Registry) {
        throw Exception(Translate("Реестр уже зарегистрирован."));
    }
    dataModule_ = std::make_unique<TdmRegistry>();
    loader_ = std::make_unique<CDataSetLoader>(dataModule_.get());
    dataModule_->EnsureSuperglobal();
    Registry = this;
}

CDBRegistry::~CDBRegistry()
{
    loader_.reset();
    dataModule_.reset();
    Registry = nullptr;
}

DataSet* CDBRegistry::GetPrograms()
{
    return &dataModule_->dsPrograms;
}

DataSet* CDBRegistry::GetShortcuts()
{
    return &dataModule_->dsShortcuts;
}

std::unique_ptr<IRecordLink> CDBRegistry::CreateRecordLink(DataSet* dataSet)
{
    DataSet* programs = GetPrograms();
    DataSet* shortcuts = GetShortcuts();
    if (dataSet != programs && dataSet != shortcuts) {
        throw Exception(Translate("Неизвестный набор данных."));
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
    if (link && link->TypeName() != "CRecordLink") {
        throw Exception(Translate("Недопустимый тип параметра в функции CDBRegistry::Delete."));
    }
    // Destroying the link releases the parent link it shares.
}

IDataSetLoader* CDBRegistry::GetLoader()
{
    return loader_.get();
}
