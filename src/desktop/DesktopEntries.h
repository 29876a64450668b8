#pragma once

#include <string>
#include <utility>
#include <vector>

// One application as a desktop entry describes it (the [Desktop Entry] group of a .desktop file).
struct DesktopEntry
{
    // The desktop-file id: the file's path below applications/, '/' replaced by '-'.
    std::string id;
    std::string name;
    std::string icon;
    std::string exec;
    std::string tryExec;
    std::string startupWmClass;
    bool hidden = false;
    bool noDisplay = false;
    // The desktop actions' names and Exec lines, in the order Actions lists them.
    std::vector<std::pair<std::string, std::string>> actions;
};

// The entry in the text of a .desktop file; the id is given.
DesktopEntry ParseDesktopEntry(const std::string& text, const std::string& id);

// Every application entry of $XDG_DATA_HOME and $XDG_DATA_DIRS (the first folder wins for an id),
// sorted by id.
std::vector<DesktopEntry> ReadDesktopEntries();

// The entry of the application whose windows have this class (StartupWMClass, or else the id
// without ".desktop", ignoring case); null when none.
const DesktopEntry* FindEntryOfWindowClass(const std::vector<DesktopEntry>& entries,
                                           const std::string& windowClass);
