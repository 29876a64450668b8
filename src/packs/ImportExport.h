#pragma once

#include "packs/PackImport.h"
#include "packs/ShortcutPack.h"

#include <optional>
#include <string>

class CDBRegistry;

// Importing a pack file into the base and exporting the base to one, as whole tasks: the file,
// the base saved, and what happened in words for the user.

struct ImportOutcome
{
    bool succeeded = false;
    // What happened, in words for the user.
    std::string text;
    bool operator==(const ImportOutcome&) const = default;
};

// Imports a file into the base and saves the base.
ImportOutcome ImportAndSave(CDBRegistry& registry, const std::string& path);
// The second half of an import whose file was read already (in a worker, say): merges it into
// the base and saves the base.
ImportOutcome MergeAndSave(CDBRegistry& registry, const std::string& path, const PackFile& file);
// How an import went once the base was saved; problem is why the save failed, empty when it did
// not.
ImportOutcome DescribeImportSaved(const std::string& path, const ImportReport& report,
                                  const std::string& problem);

// Writes the base as it was last saved (one program's shortcuts when program is given) to the
// file; the outcome names the file written or why nothing was.
ImportOutcome ExportAsSaved(const std::string& file, const std::optional<std::string>& program);
