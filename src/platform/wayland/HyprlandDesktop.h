#pragma once

#include "platform/wayland/Sources.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::wayland {

// Hyprland: the trigger bound at run time with "hyprctl keyword bind" (wiki.hypr.land,
// Configuring/Using-hyprctl and Configuring/Binds: "bind = MODS, key, dispatcher, params", the
// key a keysym name, the params of exec run by sh -c).
class HyprlandDesktop : public TriggerSource
{
public:
    // Runs hyprctl with the arguments; its output, or nullopt when it failed.
    using Runner = std::function<std::optional<std::string>(const std::vector<std::string>&)>;

    // Null outside Hyprland (no HYPRLAND_INSTANCE_SIGNATURE).
    static std::unique_ptr<HyprlandDesktop> Open(Runner run);

    bool Bind(std::uint32_t modifiers, const std::string& keySymName,
              const std::vector<std::string>& command, std::function<void()>) override;
    void Unbind(std::uint32_t modifiers, const std::string& keySymName) override;
    std::string ConfigLine(std::uint32_t modifiers, const std::string& keySymName,
                           const std::vector<std::string>& command) const override;

private:
    explicit HyprlandDesktop(Runner run);
    bool Keyword(const std::string& keyword, const std::string& value);

    Runner run_;
};

// "SUPER_SHIFT,q": a bind's modifiers and key; empty without a key.
std::string HyprlandKeys(std::uint32_t modifiers, const std::string& keySymName);
// What exec hands to sh -c: each argument in single quotes. Empty when an argument holds a line
// break, which ends a configuration line.
std::string HyprlandExecParams(const std::vector<std::string>& arguments);

} // namespace platform::wayland
