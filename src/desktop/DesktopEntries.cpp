#include "desktop/DesktopEntries.h"

#include "util/Paths.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// Entries larger than this are no desktop entries.
constexpr std::uintmax_t MaxEntryBytes = 256 * 1024;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The escapes of a string value: \s \n \t \r \\.
std::string Unescaped(const std::string& value)
{
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char next = value[++i];
        text += next == 's'   ? ' '
                : next == 'n' ? '\n'
                : next == 't' ? '\t'
                : next == 'r' ? '\r'
                              : next;
    }
    return text;
}

// The data folders in the order of precedence: $XDG_DATA_HOME, then each of $XDG_DATA_DIRS.
std::vector<std::string> DataFolders()
{
    std::vector<std::string> folders{SpecialFolder(platform::SpecialFolderKind::AppData)};
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    for (std::string folder; std::getline(list, folder, ':');) {
        if (!folder.empty() && folder.front() == '/') {
            folders.push_back(folder);
        }
    }
    return folders;
}

std::string Lower(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

// The class an entry's windows have: StartupWMClass, or else the id without ".desktop"; lower
// case. byStartupClass tells which of the two it is.
std::string WindowClassOf(const DesktopEntry& entry, bool& byStartupClass)
{
    byStartupClass = !entry.startupWmClass.empty();
    if (byStartupClass) {
        return Lower(entry.startupWmClass);
    }
    return Lower(entry.id.substr(0, entry.id.size() - std::string(".desktop").size()));
}

std::vector<std::pair<std::string, std::int64_t>> ApplicationFolderStamps()
{
    std::vector<std::pair<std::string, std::int64_t>> stamps;
    for (const std::string& folder : DataFolders()) {
        const std::string applications = folder + "/applications";
        std::error_code error;
        const auto time = std::filesystem::last_write_time(applications, error);
        stamps.emplace_back(
            applications, error ? -1 : static_cast<std::int64_t>(time.time_since_epoch().count()));
    }
    return stamps;
}

} // namespace

DesktopEntry ParseDesktopEntry(const std::string& text, const std::string& id)
{
    DesktopEntry entry;
    entry.id = id;
    std::map<std::string, std::map<std::string, std::string>> groups;
    std::string group;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = Trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        // Localised keys (Name[de]) are not read: the untranslated value names the program.
        const std::string key = Trimmed(line.substr(0, equals));
        auto& values = groups[group];
        values.try_emplace(key, Unescaped(Trimmed(line.substr(equals + 1))));
    }
    auto& main = groups["Desktop Entry"];
    entry.name = main["Name"];
    entry.icon = main["Icon"];
    entry.exec = main["Exec"];
    entry.tryExec = main["TryExec"];
    entry.startupWmClass = main["StartupWMClass"];
    entry.hidden = main["Hidden"] == "true";
    entry.noDisplay = main["NoDisplay"] == "true";
    std::stringstream actions(main["Actions"]);
    for (std::string action; std::getline(actions, action, ';');) {
        auto& values = groups["Desktop Action " + action];
        if (!action.empty() && !values["Exec"].empty()) {
            entry.actions.emplace_back(values["Name"], values["Exec"]);
        }
    }
    if (main["Type"] != "Application") {
        entry.exec.clear();
        entry.actions.clear();
    }
    return entry;
}

std::vector<DesktopEntry> ReadDesktopEntries()
{
    std::map<std::string, DesktopEntry> byId;
    for (const std::string& folder : DataFolders()) {
        const std::filesystem::path applications = std::filesystem::path(folder) / "applications";
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator it(applications, error), end;
             !error && it != end; it.increment(error)) {
            const auto& path = it->path();
            if (path.extension() != ".desktop" || !IsRegularFile(path.string()) ||
                it->file_size(error) > MaxEntryBytes) {
                continue;
            }
            std::string id = path.lexically_relative(applications).string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (byId.count(id)) {
                continue;
            }
            std::ifstream file(path);
            const std::string text((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
            byId.emplace(id, ParseDesktopEntry(text, id));
        }
    }
    std::vector<DesktopEntry> entries;
    for (auto& [id, entry] : byId) {
        entries.push_back(std::move(entry));
    }
    return entries;
}

const DesktopEntry* FindEntryOfWindowClass(const std::vector<DesktopEntry>& entries,
                                           const std::string& windowClass)
{
    if (windowClass.empty()) {
        return nullptr;
    }
    const std::string wanted = Lower(windowClass);
    const DesktopEntry* byId = nullptr;
    for (const DesktopEntry& entry : entries) {
        bool byStartupClass = false;
        if (WindowClassOf(entry, byStartupClass) != wanted) {
            continue;
        }
        if (byStartupClass) {
            return &entry;
        }
        byId = byId ? byId : &entry;
    }
    return byId;
}

std::string CWindowClassIndex::DesktopIdOf(const std::vector<std::string>& classes) const
{
    for (const std::string& windowClass : classes) {
        if (const auto found = ids_.find(Lower(windowClass)); found != ids_.end()) {
            return found->second;
        }
    }
    return {};
}

void CWindowClassIndex::RefreshIfChanged()
{
    auto stamps = ApplicationFolderStamps();
    if (read_ && stamps == stamps_) {
        return;
    }
    read_ = true;
    stamps_ = std::move(stamps);
    ids_.clear();
    std::unordered_map<std::string, std::string> byId;
    for (const DesktopEntry& entry : ReadDesktopEntries()) {
        bool byStartupClass = false;
        std::string windowClass = WindowClassOf(entry, byStartupClass);
        (byStartupClass ? ids_ : byId).emplace(std::move(windowClass), entry.id);
    }
    // A StartupWMClass wins over an id that reads the same.
    ids_.merge(byId);
}
