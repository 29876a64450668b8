#pragma once

#include "framework/DataSet.h"
#include "framework/DataSource.h"

// The two tables of the user's shortcut base: programs and, as their detail, shortcuts.
class CShortcutTables
{
public:
    // The program record with this Id holds the super-global shortcuts.
    static constexpr std::int32_t SuperglobalId = 1;

    CShortcutTables();

    // Adds the super-global program record when the table has none.
    void EnsureSuperglobal();

    // Declared in this order so that the detail goes before its master.
    DataSet dsPrograms;
    DataSource dsrPrograms;
    DataSet dsShortcuts;

private:
    void dsProgramsAfterInsert(DataSet& dataSet);
    void dsShortcutsAfterInsert(DataSet& dataSet);
};
