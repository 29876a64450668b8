#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
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

// The desktop entry ids windows' classes lead to, by the rule of FindEntryOfWindowClass. The
// entries are read at the first refresh and again only once an applications folder changed, so
// a refresh on every show costs a few stat calls.
class CWindowClassIndex
{
public:
    void RefreshIfChanged();
    // The id of the entry the first of these classes leads to, as of the last refresh; empty when
    // none does.
    std::string DesktopIdOf(const std::vector<std::string>& classes) const;

private:
    // Each applications folder with its modification time (-1 when missing), as last read.
    std::vector<std::pair<std::string, std::int64_t>> stamps_;
    bool read_ = false;
    // Lower-case class -> entry id.
    std::unordered_map<std::string, std::string> ids_;
};
