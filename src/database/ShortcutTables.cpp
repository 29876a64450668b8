#include "database/ShortcutTables.h"

namespace {

std::vector<FieldDef> ProgramFields()
{
    return {
        {"Id", FieldType::Integer, 0, {}},
        {"Name", FieldType::String, 20, {}},
        {"FileName", FieldType::String, 256, {}},
        // The classes or application ids of its windows, separated by ';'.
        {"WindowClasses", FieldType::String, 256, {}},
        {"DesktopId", FieldType::String, 256, {}},
        // What the program tells of its own shortcuts while it runs is neither read nor shown.
        {"LiveReadingOff", FieldType::Boolean, 0, false},
    };
}

std::vector<FieldDef> ShortcutFields()
{
    return {
        {"Id", FieldType::Integer, 0, {}},        {"ProgramId", FieldType::Integer, 0, {}},
        {"ShortName", FieldType::String, 20, {}}, {"Description", FieldType::String, 256, {}},
        {"KeyCodes", FieldType::Blob, 0, {}},     {"IsNormal", FieldType::Boolean, 0, true},
        {"Icon", FieldType::Blob, 0, {}},
    };
}

// "Max(Id)+1" over the whole table, or the fall-back when the table is empty.
void NumberNewRecord(DataSet& dataSet, std::int32_t firstId)
{
    const auto max = dataSet.Max("Id");
    dataSet.FieldByName("Id").SetValue(max ? *max + 1 : firstId);
}

} // namespace

CShortcutTables::CShortcutTables()
    : dsPrograms("programs", ProgramFields()), dsrPrograms(&dsPrograms),
      dsShortcuts("shortcuts", ShortcutFields())
{
    dsPrograms.AfterInsert = [this](DataSet& dataSet) { dsProgramsAfterInsert(dataSet); };
    dsShortcuts.AfterInsert = [this](DataSet& dataSet) { dsShortcutsAfterInsert(dataSet); };
    dsShortcuts.SetIndexFieldNames({"ProgramId"});
    dsShortcuts.SetMasterSource(&dsrPrograms, "Id", "ProgramId");
}

void CShortcutTables::dsProgramsAfterInsert(DataSet& dataSet)
{
    // Id 1 stays reserved for the super-global program.
    NumberNewRecord(dataSet, SuperglobalId + 1);
}

void CShortcutTables::dsShortcutsAfterInsert(DataSet& dataSet)
{
    NumberNewRecord(dataSet, 1);
}

void CShortcutTables::EnsureSuperglobal()
{
    // Looked up rather than compared with Min(Id): a file with Ids below 1 must not get a second
    // record with Id 1.
    if (dsPrograms.Locate("Id", SuperglobalId)) {
        dsPrograms.First();
        return;
    }
    dsPrograms.Insert();
    dsPrograms.FieldByName("Id").SetValue(SuperglobalId);
    dsPrograms.FieldByName("FileName").SetValue(std::string("Superglobal"));
    dsPrograms.Post();
}
