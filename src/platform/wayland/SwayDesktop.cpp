#include "platform/wayland/SwayDesktop.h"

#include "platform/linux/Log.h"

namespace platform::wayland {

SwayDesktop::SwayDesktop(std::unique_ptr<SwayConnection> connection)
    : connection_(std::move(connection))
{
}

std::unique_ptr<SwayDesktop> SwayDesktop::Open()
{
    auto connection = SwayConnection::Open();
    if (!connection) {
        return nullptr;
    }
    std::unique_ptr<SwayDesktop> desktop(new SwayDesktop(std::move(connection)));
    desktop->Windows();
    if (!desktop->connection_->Subscribe(
            QByteArrayLiteral("[\"window\"]"),
            [raw = desktop.get()](const SwayMessage& message) { raw->OnWindowEvent(message); })) {
        qCWarning(lcPlatform) << "sway's window events cannot be followed";
    }
    return desktop;
}

bool SwayDesktop::Bind(std::uint32_t modifiers, const std::string& keySymName,
                       const std::vector<std::string>& command, std::function<void()>)
{
    // The configuration's lines are sway commands.
    const std::string line = ConfigLine(modifiers, keySymName, command);
    return !line.empty() && connection_->RunCommand(line);
}

std::string SwayDesktop::ConfigLine(std::uint32_t modifiers, const std::string& keySymName,
                                    const std::vector<std::string>& command) const
{
    const std::string keys = SwayKeyCombination(modifiers, keySymName);
    if (keys.empty()) {
        return {};
    }
    return "bindsym --no-repeat " + keys + ' ' + SwayExecCommand(command);
}

void SwayDesktop::Unbind(std::uint32_t modifiers, const std::string& keySymName)
{
    const std::string keys = SwayKeyCombination(modifiers, keySymName);
    if (!keys.empty()) {
        connection_->RunCommand("unbindsym --no-repeat " + keys);
    }
}

std::optional<Toplevel> SwayDesktop::Focused()
{
    return focused_ ? Find(*focused_) : std::nullopt;
}

void SwayDesktop::Watch(std::function<void()> onChange)
{
    onChange_ = std::move(onChange);
}

std::vector<Toplevel> SwayDesktop::Windows()
{
    const auto answer = connection_->Request(SwayRequest::GetTree, {});
    if (!answer) {
        return {};
    }
    std::vector<Toplevel> windows = ParseSwayTree(*answer);
    known_.clear();
    focused_.reset();
    for (const Toplevel& window : windows) {
        known_[window.id] = window;
        if (window.focused) {
            focused_ = window.id;
        }
    }
    return windows;
}

std::optional<Toplevel> SwayDesktop::Find(std::int64_t id)
{
    const auto found = known_.find(id);
    if (found == known_.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool SwayDesktop::RunCommand(const std::string& command)
{
    return connection_->RunCommand(command);
}

void SwayDesktop::Activate(std::int64_t id)
{
    RunCommand("[con_id=" + std::to_string(id) + "] focus");
}

void SwayDesktop::OnWindowEvent(const SwayMessage& message)
{
    auto event = ParseSwayWindowEvent(message.payload);
    if (!event) {
        return;
    }
    if (event->change == "close") {
        known_.erase(event->window.id);
        if (focused_ == event->window.id) {
            focused_.reset();
        }
        return;
    }
    known_[event->window.id] = event->window;
    if (event->change == "focus") {
        focused_ = event->window.id;
        if (onChange_) {
            onChange_();
        }
    }
}

} // namespace platform::wayland
