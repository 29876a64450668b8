#pragma once

#include "desktop/DesktopEntries.h"

#include <string>
#include <vector>

// The applications of the desktop entries as the select-program dialog offers them: each entry is
// a key named by its desktop-file id, with the verbs "open" (its Exec line) and its desktop
// actions; a verb's command is the Exec line with the file arguments written as %1 and the
// program resolved on PATH.

// The command of a verb of the entry with this id; empty when there is none.
std::string ReadVerbCommand(const std::vector<DesktopEntry>& entries, const std::string& key,
                            const std::string& verb);
// The program of a verb's command: an existing executable file, or empty.
std::string ReadVerbPath(const std::vector<DesktopEntry>& entries, const std::string& key,
                         const std::string& verb);
// The executable of a command line (a quoted path, a path before its arguments, a path with
// %NAME% variables); empty when it names no existing executable file.
std::string ExtractApplicationPath(const std::string& command);
// An Exec line of a desktop entry as a command: field codes for files and URLs become %1, the
// others go, "env NAME=value" in front goes, and the program is resolved on PATH.
std::string CommandOfExec(const std::string& exec);

// One application of the installed list: the entry, and the executable its first verb runs.
struct InstalledApplication
{
    const DesktopEntry* entry;
    std::string path;
};
// The entries that are shown (neither Hidden nor NoDisplay, TryExec found) and whose verbs name
// an executable, in the order of the entries; two entries may name one executable.
std::vector<InstalledApplication>
CollectInstalledApplications(const std::vector<DesktopEntry>& entries);
