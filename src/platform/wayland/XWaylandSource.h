#pragma once

#include "platform/linux/XWayland.h"
#include "platform/wayland/Sources.h"

#include <QObject>

#include <functional>

namespace platform::wayland {

// The active window and synthetic keys where the compositor tells nothing of other programs'
// windows (GNOME without Quorvel's Shell extension): X11 windows, as XWayland's X server tells
// them; a Wayland window is not known. Keys go through XTest once an X11 window has the focus,
// else to the fallback sender (the portal's remote desktop) where there is one.
class XWaylandSource : public QObject, public ActiveWindowSource, public InputSender
{
public:
    // How long keys wait for this program's window to lose the focus.
    static constexpr int FocusWaitMs = 2000;
    // How long, once it lost the focus, keys wait for an X11 window to take it before they go
    // to the fallback: the window manager hands XWayland the focus a moment after the overlay
    // hid.
    static constexpr int X11FocusWaitMs = 250;

    // fallback may be null. ownWindowActive: whether a window of this program has the focus.
    XWaylandSource(XWaylandWindows& windows, InputSender* fallback,
                   std::function<bool()> ownWindowActive);
    ~XWaylandSource() override;
    XWaylandSource(const XWaylandSource&) = delete;
    XWaylandSource& operator=(const XWaylandSource&) = delete;

    std::optional<Toplevel> Focused() override;
    void Watch(std::function<void()> onChange) override;
    std::vector<Toplevel> Windows() override;
    std::optional<Toplevel> Find(std::int64_t id) override;
    // The window manager gives the focus back itself when the overlay hides.
    void Activate(std::int64_t) override {}

    bool CanSend() const override;
    // Keys sent together (a combination) are typed once the event loop runs and no window of
    // this program has the focus: into the X11 window that took it once the user let go of the
    // combination's keys (two seconds at most), or else through the fallback.
    void SendKey(unsigned xKeyCode, bool down) override;

private:
    void ReadFocus();
    void Flush();
    // Whether XWayland holds down a key the pending keys press.
    bool CombinationHeld();
    void Type(bool intoX11Window);

    XWaylandWindows& windows_;
    InputSender* fallback_;
    std::function<bool()> ownWindowActive_;
    RecentWindows recent_;
    std::function<void()> onChange_;
    KeyStrokes pending_;
    bool waiting_ = false;
};

} // namespace platform::wayland
