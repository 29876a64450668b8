#pragma once

#include "platform/linux/XWayland.h"

#include <memory>

namespace platform {

struct XConnection;

// XWayland's X display, watched on a connection of its own: the active window from the window
// manager's _NET_ACTIVE_WINDOW (mutter names none while a Wayland window has the focus) and keys
// typed through XTest, which XWayland hands to its own windows.
class XWaylandDisplay : public XWaylandWindows
{
public:
    // Opens DISPLAY; none where it is unset or does not open.
    static std::unique_ptr<XWaylandWindows> Open();
    ~XWaylandDisplay() override;
    XWaylandDisplay(const XWaylandDisplay&) = delete;
    XWaylandDisplay& operator=(const XWaylandDisplay&) = delete;

    std::optional<Facts> Active() override;
    void Watch(std::function<void()> onChange) override;
    bool ActiveHasInputFocus() override;
    bool IsKeyDown(unsigned xKeyCode) override;
    bool CanSend() const override;
    void SendKey(unsigned xKeyCode, bool down) override;

private:
    explicit XWaylandDisplay(std::unique_ptr<XConnection> connection);

    std::unique_ptr<XConnection> x_;
};

} // namespace platform
