#include "desktop/GnomeShortcut.h"

#include "desktop/Log.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

constexpr const char* ListSchema = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* ListKey = "custom-keybindings";
constexpr const char* EntrySchema =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";

std::optional<std::string> GSettings(platform::Platform& platform,
                                     const std::vector<std::string>& arguments)
{
    auto output = platform.RunProgram("gsettings", arguments, GSettingsTimeoutMs);
    if (!output) {
        qCWarning(lcDesktop) << "gsettings" << arguments.front().c_str() << "failed";
    }
    return output;
}

std::string EntryPath()
{
    return std::string(EntrySchema) + ":" + QuorvelKeybindingPath;
}

std::optional<std::vector<std::string>> ReadList(platform::Platform& platform)
{
    const auto output = GSettings(platform, {"get", ListSchema, ListKey});
    if (!output) {
        return std::nullopt;
    }
    bool ok = false;
    auto items = ParseStringArray(*output, ok);
    if (!ok) {
        qCWarning(lcDesktop) << "cannot read GNOME's list of custom keybindings";
        return std::nullopt;
    }
    return items;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "'";
}

} // namespace

std::vector<std::string> ParseStringArray(const std::string& text, bool& ok)
{
    std::vector<std::string> items;
    ok = false;
    std::size_t at = text.find_first_not_of(" \t\n");
    if (at != std::string::npos && text.compare(at, 3, "@as") == 0) {
        at = text.find_first_not_of(" \t\n", at + 3);
    }
    if (at == std::string::npos || text[at] != '[') {
        return {};
    }
    ++at;
    for (;;) {
        at = text.find_first_not_of(" \t\n,", at);
        if (at == std::string::npos) {
            return {};
        }
        if (text[at] == ']') {
            ok = true;
            return items;
        }
        const char quote = text[at];
        if (quote != '\'' && quote != '"') {
            return {};
        }
        std::string item;
        for (++at; at < text.size() && text[at] != quote; ++at) {
            if (text[at] == '\\' && at + 1 < text.size()) {
                ++at;
            }
            item += text[at];
        }
        if (at >= text.size()) {
            return {};
        }
        ++at;
        items.push_back(item);
    }
}

std::string FormatStringArray(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i ? ", " : "") + Quote(items[i]);
    }
    return text + "]";
}

std::string ParseString(const std::string& text)
{
    bool ok = false;
    const auto items = ParseStringArray("[" + text + "]", ok);
    return ok && items.size() == 1 ? items.front() : std::string();
}

std::string ShellCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        const bool plain =
            !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) ||
                       std::string("/._-+=:,@").find(c) != std::string::npos;
            });
        std::string quoted = "'";
        for (const char c : argument) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        line += (line.empty() ? "" : " ") + (plain ? argument : quoted + "'");
    }
    return line;
}

bool GnomeShortcutsAvailable(platform::Platform& platform)
{
    return GSettings(platform, {"list-keys", ListSchema}).has_value();
}

bool SetGnomeShortcut(platform::Platform& platform, const std::string& accelerator,
                      const std::vector<std::string>& command)
{
    const std::string entry = EntryPath();
    if (!GSettings(platform, {"set", entry, "name", Quote("Quorvel")}) ||
        !GSettings(platform, {"set", entry, "command", Quote(ShellCommandLine(command))}) ||
        !GSettings(platform, {"set", entry, "binding", Quote(accelerator)})) {
        return false;
    }
    auto list = ReadList(platform);
    if (!list) {
        return false;
    }
    if (std::find(list->begin(), list->end(), QuorvelKeybindingPath) != list->end()) {
        return true;
    }
    list->push_back(QuorvelKeybindingPath);
    return GSettings(platform, {"set", ListSchema, ListKey, FormatStringArray(*list)}).has_value();
}

bool RemoveGnomeShortcut(platform::Platform& platform)
{
    auto list = ReadList(platform);
    if (!list) {
        return false;
    }
    const auto listed = std::remove(list->begin(), list->end(), QuorvelKeybindingPath);
    if (listed != list->end()) {
        list->erase(listed, list->end());
        if (!GSettings(platform, {"set", ListSchema, ListKey, FormatStringArray(*list)})) {
            return false;
        }
    }
    const std::string entry = EntryPath();
    return GSettings(platform, {"reset", entry, "name"}) &&
           GSettings(platform, {"reset", entry, "command"}) &&
           GSettings(platform, {"reset", entry, "binding"});
}

std::string GnomeShortcutBinding(platform::Platform& platform)
{
    const auto list = ReadList(platform);
    if (!list || std::find(list->begin(), list->end(), QuorvelKeybindingPath) == list->end()) {
        return {};
    }
    const auto binding = GSettings(platform, {"get", EntryPath(), "binding"});
    return binding ? ParseString(*binding) : std::string();
}
