#include "desktop/InstalledApplications.h"

#include "util/Paths.h"

#include <QString>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

// A quoted path at the very start.
std::string QuotedPath(const std::string& command)
{
    if (command.empty() || command.front() != '"') {
        return {};
    }
    const auto second = command.find('"', 1);
    if (second == std::string::npos) {
        return {};
    }
    const std::string candidate = command.substr(1, second - 1);
    return IsApplicationFile(candidate) ? candidate : std::string();
}

// The path before trailing arguments made of "*", digits, quotes, spaces and "%".
std::string PathBeforeArguments(const std::string& command)
{
    const auto last = command.find_last_not_of("*0123456789\" %");
    if (last == std::string::npos) {
        return {};
    }
    const std::string candidate = command.substr(0, last + 1);
    return IsApplicationFile(candidate) ? candidate : std::string();
}

// The path before the first argument after its last folder.
std::string PathBeforeFirstArgument(const std::string& command)
{
    if (command.empty() || command.front() == '"') {
        return {};
    }
    std::size_t space = std::string::npos;
    for (std::size_t i = command.size() - 1; i >= 1; --i) {
        if (command[i] == ' ') {
            space = i;
        } else if (command[i] == '/' && space != std::string::npos) {
            const std::string candidate = command.substr(0, space);
            return Exists(candidate) ? candidate : std::string();
        }
    }
    return {};
}

std::string Lower(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

// %NAME% replaced by the variable's value (any case of NAME), pair by pair.
std::string WithVariables(const std::string& command, bool& replaced)
{
    std::string result = command;
    replaced = false;
    for (std::size_t open = command.find('%'); open != std::string::npos;) {
        const std::size_t close = command.find('%', open + 1);
        if (close == std::string::npos) {
            break;
        }
        const std::string name = command.substr(open + 1, close - open - 1);
        const char* value = std::getenv(name.c_str());
        const std::string pattern = Lower("%" + name + "%");
        for (std::size_t at = Lower(result).find(pattern); at != std::string::npos;
             at = Lower(result).find(pattern, at)) {
            result.replace(at, pattern.size(), value ? value : "");
            at += value ? std::string(value).size() : 0;
            replaced = true;
        }
        open = command.find('%', close + 1);
    }
    return result;
}

// The words of an Exec line: quoted words may hold spaces, and \" \\ \` \$ inside quotes.
std::vector<std::string> ExecWords(const std::string& exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

const DesktopEntry* EntryOf(const std::vector<DesktopEntry>& entries, const std::string& key)
{
    for (const DesktopEntry& entry : entries) {
        if (entry.id == key) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

namespace {

// Variables whose values name variables again are expanded a few times at most.
constexpr int MaxExpansions = 4;

std::string ExtractApplicationPath(const std::string& command, int expansions)
{
    for (const auto& rule : {QuotedPath, PathBeforeArguments, PathBeforeFirstArgument}) {
        if (std::string path = rule(command); !path.empty()) {
            return path;
        }
    }
    bool replaced = false;
    const std::string expanded = WithVariables(command, replaced);
    if (!replaced || expanded == command || expansions >= MaxExpansions) {
        return {};
    }
    return ExtractApplicationPath(expanded, expansions + 1);
}

} // namespace

std::string ExtractApplicationPath(const std::string& command)
{
    return ExtractApplicationPath(command, 0);
}

std::string CommandOfExec(const std::string& exec)
{
    std::vector<std::string> words = ExecWords(exec);
    // "env NAME=value ... program": the program is what counts.
    std::size_t first = 0;
    if (!words.empty() && (words[0] == "env" || words[0] == "/usr/bin/env")) {
        for (first = 1; first < words.size() && words[first].find('=') != std::string::npos;) {
            ++first;
        }
    }
    if (first >= words.size()) {
        return {};
    }
    const std::string program = ResolveOnPath(words[first]);
    std::string command = program.find(' ') == std::string::npos ? program : '"' + program + '"';
    for (std::size_t i = first + 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
            command += " %1";
        } else if (word == "%i" || word == "%c" || word == "%k") {
            continue;
        } else if (word.find(' ') != std::string::npos) {
            command += " \"" + word + '"';
        } else {
            command += ' ' + word;
        }
    }
    return command;
}

std::string ReadVerbCommand(const std::vector<DesktopEntry>& entries, const std::string& key,
                            const std::string& verb)
{
    const DesktopEntry* entry = EntryOf(entries, key);
    if (!entry) {
        return {};
    }
    if (verb == "open") {
        return entry->exec.empty() ? std::string() : CommandOfExec(entry->exec);
    }
    for (const auto& [name, exec] : entry->actions) {
        if (name == verb) {
            return CommandOfExec(exec);
        }
    }
    return {};
}

std::string ReadVerbPath(const std::vector<DesktopEntry>& entries, const std::string& key,
                         const std::string& verb)
{
    const std::string command = ReadVerbCommand(entries, key, verb);
    return command.empty() ? std::string() : ExtractApplicationPath(command);
}

std::vector<InstalledApplication>
CollectInstalledApplications(const std::vector<DesktopEntry>& entries)
{
    std::vector<InstalledApplication> applications;
    for (const DesktopEntry& entry : entries) {
        if (entry.hidden || entry.noDisplay ||
            (!entry.tryExec.empty() && !IsApplicationFile(ResolveOnPath(entry.tryExec)))) {
            continue;
        }
        std::vector<std::string> verbs{"open"};
        for (const auto& [name, exec] : entry.actions) {
            verbs.push_back(name);
        }
        for (const std::string& verb : verbs) {
            if (std::string path = ReadVerbPath(entries, entry.id, verb); !path.empty()) {
                applications.push_back({&entry, std::move(path)});
                break;
            }
        }
    }
    return applications;
}
