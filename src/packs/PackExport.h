#pragma once

#include <optional>
#include <string>
#include <vector>

class CDBRegistry;

struct ExportReport
{
    int programs = 0;
    int shortcuts = 0;
    // The shortcuts and programs a pack cannot hold, each named with the reason.
    std::vector<std::string> leftOut;
};

// Writes the base to a file in the pack format: the whole base as an export of every program, or
// the program named (by its name or its executable's file name, ignoring case; "Superglobal" for
// the desktop's shortcuts) as its pack. Icons travel inside as PNG. A shortcut without a short
// name or without a description takes the other text for it. Throws Exception when the program is
// not in the base or the file cannot be written; the file is replaced whole or not at all.
ExportReport ExportFile(CDBRegistry& registry, const std::string& path,
                        const std::optional<std::string>& program = std::nullopt);

// What an export did, in words for the user.
std::string DescribeExport(const std::string& path, const ExportReport& report);
