#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

// The X11 windows of a Wayland session, as XWayland's X server tells them: made by the X11
// backend, used by the Wayland backend where the compositor tells nothing of other programs'
// windows (GNOME without Quorvel's Shell extension).
class XWaylandWindows
{
public:
    struct Facts
    {
        std::uint64_t id = 0;
        // 0 when the window names no process.
        std::uint32_t pid = 0;
        Platform::WindowIdentity identity;
    };

    virtual ~XWaylandWindows() = default;
    // The X11 window the window manager made active; none while a Wayland window has the focus.
    virtual std::optional<Facts> Active() = 0;
    // Calls onChange from the event loop whenever the active window changes (an empty callback
    // stops the calls).
    virtual void Watch(std::function<void()> onChange) = 0;
    // Whether the active window holds the X server's input focus, so that a key goes to it.
    virtual bool ActiveHasInputFocus() = 0;
    // Whether the X server holds the key down, pressed on any keyboard.
    virtual bool IsKeyDown(unsigned xKeyCode) = 0;
    virtual bool CanSend() const = 0;
    // Types an X key code into the window with the input focus.
    virtual void SendKey(unsigned xKeyCode, bool down) = 0;
};

// Opens XWayland's X display; none where the session has none.
using XWaylandOpener = std::function<std::unique_ptr<XWaylandWindows>()>;

} // namespace platform
