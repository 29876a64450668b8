#pragma once

#include "packs/ShortcutPack.h"
#include "framework/DataSet.h"

#include <string>
#include <vector>

class CDBRegistry;

struct ImportReport
{
    int programsAdded = 0;
    int programsFound = 0;
    int shortcutsAdded = 0;
    int shortcutsUpdated = 0;
    // Things the user should know that did not stop the import (from PackFile::notes).
    std::vector<std::string> notes;
};

// Merges packs into the base in memory. A pack's program is the base's program whose executable
// has the file name of one of the pack's executables, ignoring case as the overlay matches them,
// or else a new one stored with the first of them found on PATH (else the first); a desktop pack's
// shortcuts belong to the super-global program. A shortcut with the keys and scope of one its
// program has is updated (its texts, and its icon when the pack gives one); any other is added.
ImportReport MergePacks(CDBRegistry& registry, const std::vector<ShortcutPack>& packs);

// A merge in two steps, so that its long part may run in a worker: PlanMerge works on snapshots of
// the two tables taken on their thread; ApplyMerge puts the result into the tables in a step as
// long as what changed.
struct TableChanges
{
    // The table's Revision the changes were worked out for.
    std::uint64_t revision = 0;
    // Table position and the record that replaces the one there.
    std::vector<std::pair<std::size_t, DataSet::Record>> updated;
    std::vector<DataSet::Record> added;
};

struct MergePlan
{
    ImportReport report;
    TableChanges programs;
    TableChanges shortcuts;
    // The tables as they are once the plan is applied: a save needs no snapshot of its own.
    TableSnapshot mergedPrograms;
    TableSnapshot mergedShortcuts;
};

// Merges the packs into the snapshots as MergePacks does and gives what changed. Touches no table.
MergePlan PlanMerge(TableSnapshot programs, TableSnapshot shortcuts,
                    const std::vector<ShortcutPack>& packs);
// Applies the plan, its records moved into the tables; false, and nothing changed, when a table
// changed since its snapshot or is being edited.
bool ApplyMerge(CDBRegistry& registry, MergePlan& plan);

// Merges what ReadPackFile read, with its notes.
ImportReport MergePackFile(CDBRegistry& registry, const PackFile& file);

// Reads a pack or an export and merges all of it. Throws Exception naming the file and its first
// problem, and then the base is as it was.
ImportReport ImportFile(CDBRegistry& registry, const std::string& path);

// What an import did, in words for the user.
std::string DescribeImport(const std::string& path, const ImportReport& report);
