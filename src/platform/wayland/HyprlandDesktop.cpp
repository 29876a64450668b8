#include "platform/wayland/HyprlandDesktop.h"

#include "platform/linux/Log.h"

#include <QtGlobal>

#include <utility>

namespace platform::wayland {

std::string HyprlandKeys(std::uint32_t modifiers, const std::string& keySymName)
{
    if (keySymName.empty()) {
        return {};
    }
    std::string mods;
    const std::pair<std::uint32_t, const char*> names[] = {
        {ModWin, "SUPER"}, {ModControl, "CTRL"}, {ModAlt, "ALT"}, {ModShift, "SHIFT"}};
    for (const auto& [bit, name] : names) {
        if (modifiers & bit) {
            if (!mods.empty()) {
                mods += '_';
            }
            mods += name;
        }
    }
    return mods + ',' + keySymName;
}

std::string HyprlandExecParams(const std::vector<std::string>& arguments)
{
    std::string params;
    for (const std::string& argument : arguments) {
        if (argument.find_first_of("\r\n") != std::string::npos) {
            return {};
        }
        params += params.empty() ? "'" : " '";
        for (const char c : argument) {
            params += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        params += '\'';
    }
    return params;
}

HyprlandDesktop::HyprlandDesktop(Runner run) : run_(std::move(run)) {}

std::unique_ptr<HyprlandDesktop> HyprlandDesktop::Open(Runner run)
{
    if (qEnvironmentVariableIsEmpty("HYPRLAND_INSTANCE_SIGNATURE")) {
        return nullptr;
    }
    return std::unique_ptr<HyprlandDesktop>(new HyprlandDesktop(std::move(run)));
}

bool HyprlandDesktop::Keyword(const std::string& keyword, const std::string& value)
{
    // hyprctl answers "ok", or the error, on its standard output.
    const auto answer = run_({"keyword", keyword, value});
    return answer && answer->rfind("ok", 0) == 0;
}

bool HyprlandDesktop::Bind(std::uint32_t modifiers, const std::string& keySymName,
                           const std::vector<std::string>& command, std::function<void()>)
{
    const std::string keys = HyprlandKeys(modifiers, keySymName);
    const std::string params = HyprlandExecParams(command);
    if (keys.empty() || params.empty()) {
        return false;
    }
    // A binding left by an earlier run would run the command twice.
    Keyword("unbind", keys);
    if (!Keyword("bind", keys + ",exec," + params)) {
        qCWarning(lcPlatform) << "Hyprland refused the trigger's binding";
        return false;
    }
    return true;
}

void HyprlandDesktop::Unbind(std::uint32_t modifiers, const std::string& keySymName)
{
    const std::string keys = HyprlandKeys(modifiers, keySymName);
    if (!keys.empty()) {
        Keyword("unbind", keys);
    }
}

std::string HyprlandDesktop::ConfigLine(std::uint32_t modifiers, const std::string& keySymName,
                                        const std::vector<std::string>& command) const
{
    const std::string keys = HyprlandKeys(modifiers, keySymName);
    const std::string params = HyprlandExecParams(command);
    if (keys.empty() || params.empty()) {
        return {};
    }
    return "bind = " + keys + ", exec, " + params;
}

} // namespace platform::wayland
