#pragma once

#include "platform/wayland/SwayConnection.h"
#include "platform/wayland/Sources.h"

#include <map>
#include <memory>

namespace platform::wayland {

// sway through its IPC: the trigger bound at run time with bindsym, the focused window from the
// tree and window events.
class SwayDesktop : public TriggerSource, public ActiveWindowSource
{
public:
    // Null outside sway.
    static std::unique_ptr<SwayDesktop> Open();

    bool Bind(std::uint32_t modifiers, const std::string& keySymName,
              const std::vector<std::string>& command, std::function<void()> onTrigger) override;
    void Unbind(std::uint32_t modifiers, const std::string& keySymName) override;
    std::string ConfigLine(std::uint32_t modifiers, const std::string& keySymName,
                           const std::vector<std::string>& command) const override;
    std::optional<Toplevel> Focused() override;
    void Watch(std::function<void()> onChange) override;
    std::vector<Toplevel> Windows() override;
    std::optional<Toplevel> Find(std::int64_t id) override;
    void Activate(std::int64_t id) override;
    // Runs sway commands; whether each succeeded.
    bool RunCommand(const std::string& command);

private:
    explicit SwayDesktop(std::unique_ptr<SwayConnection> connection);
    void OnWindowEvent(const SwayMessage& message);

    std::unique_ptr<SwayConnection> connection_;
    std::map<std::int64_t, Toplevel> known_;
    std::optional<std::int64_t> focused_;
    std::function<void()> onChange_;
};

} // namespace platform::wayland
