#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QObject;

// What the Wayland platform asks of a desktop, each answered by whatever the compositor offers
// (sway's IPC, a portal, a compositor's script): the trigger, the active window and synthetic
// keys.
namespace platform::wayland {

// A top-level window of another program, as the compositor describes it.
struct Toplevel
{
    std::int64_t id = 0;
    std::uint32_t pid = 0;
    // The Wayland application id; empty for an X11 window (XWayland).
    std::string appId;
    // An X11 window's WM_CLASS instance and class.
    std::string instance;
    std::string windowClass;
    bool focused = false;
    // The desktop entry the compositor matched the window to, where it tells one (GNOME Shell);
    // otherwise the application id names it.
    std::string desktopId;
    bool operator==(const Toplevel&) const = default;
};

// What a window tells of its program: a Wayland window's application id is the name of its
// desktop entry by convention and stands for its class as well; an X11 window gives WM_CLASS. A
// desktop entry the compositor names comes before the application id.
Platform::WindowIdentity IdentityOf(const Toplevel& window);

// Binds a key combination in the desktop: to a command the compositor runs, or to a callback
// the desktop's shortcut service calls.
class TriggerSource
{
public:
    virtual ~TriggerSource() = default;
    // Whether the desktop took the binding of modifiers (Platform's Mod bits) and a keysym name
    // to the command or to onTrigger, whichever it uses.
    virtual bool Bind(std::uint32_t modifiers, const std::string& keySymName,
                      const std::vector<std::string>& command, std::function<void()> onTrigger) = 0;
    virtual void Unbind(std::uint32_t modifiers, const std::string& keySymName) = 0;
    // The bound key as the desktop names it; empty where the desktop names none.
    virtual std::string Description() const { return {}; }
    // Calls onChange when the desktop names another key for the binding (the user changed it in
    // the desktop's settings); nothing where the desktop tells no such change.
    virtual void WatchDescription(std::function<void()>) {}
    // The line of the compositor's configuration file that makes the binding (modifiers, keysym
    // name, command) last beyond the compositor's run; empty where the desktop keeps the binding
    // itself or the key or command cannot be written there.
    virtual std::string ConfigLine(std::uint32_t, const std::string&,
                                   const std::vector<std::string>&) const
    {
        return {};
    }
};

// The windows of other programs and which one has the focus.
class ActiveWindowSource
{
public:
    virtual ~ActiveWindowSource() = default;
    // The focused window; none while none has the focus or it cannot be told.
    virtual std::optional<Toplevel> Focused() = 0;
    // Calls onChange whenever the focus moves (an empty callback stops the calls).
    virtual void Watch(std::function<void()> onChange) = 0;
    // Every window, asked afresh.
    virtual std::vector<Toplevel> Windows() = 0;
    // The window as last listed or focused; none when unknown.
    virtual std::optional<Toplevel> Find(std::int64_t id) = 0;
    // Asks the compositor to give the window the focus.
    virtual void Activate(std::int64_t id) = 0;
};

// Sends synthetic keys to the focused window.
class InputSender
{
public:
    virtual ~InputSender() = default;
    virtual bool CanSend() const = 0;
    // An X key code (the evdev code + 8) pressed or released.
    virtual void SendKey(unsigned xKeyCode, bool down) = 0;
};

// The windows a source that tells only the focused window has seen focused lately, newest
// first, so that a window is still found by its id after the focus moved on (the overlay's
// and the one before it, and then some).
class RecentWindows
{
public:
    // The window that now has the focus; none while none has it or it cannot be told.
    void SetFocused(std::optional<Toplevel> window);
    const std::optional<Toplevel>& Focused() const { return focused_; }
    // The focused window alone: other windows are not known.
    std::vector<Toplevel> Windows() const;
    std::optional<Toplevel> Find(std::int64_t id) const;

private:
    std::optional<Toplevel> focused_;
    std::vector<Toplevel> recent_;
};

// Key events (a key code and whether it goes down) of one combination as they are typed: a
// release of a key it did not press (one the user held) is left out, and a key left down is
// released, so that none stays held.
using KeyStrokes = std::vector<std::pair<unsigned, bool>>;
KeyStrokes TypedKeys(const KeyStrokes& events);

// Calls done(true) once condition holds, looked at every 20 ms from the event loop while
// context lives, or done(false) after timeoutMs; at once when it holds already.
void PollUntil(QObject* context, std::function<bool()> condition, int timeoutMs,
               std::function<void(bool)> done);

} // namespace platform::wayland
