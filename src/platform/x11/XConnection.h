#pragma once

// Includes Xlib: after Qt's headers, whose names Xlib's macros (None, Bool, KeyPress) break.
#include "platform/Platform.h"
#include "platform/linux/KeyMapping.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <xkbcommon/xkbcommon.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QEventLoop;

namespace platform {

// The X11 backend's own connection to the X server: the events it asks for, the hot keys grabbed,
// the keymap read and the properties of windows.
struct XConnection
{
    struct HotKey
    {
        // The virtual-key code and the X key that has it in the layout the grab was made in.
        std::uint16_t code;
        unsigned keyCode;
        unsigned modifiers;
        std::function<void()> callback;
        // Between press and release; auto-repeated presses arrive while it is set.
        bool down = false;
    };

    explicit XConnection(Display* connection);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    // Reads every queued event. Events read during a round trip do not wake the socket notifier
    // again, so every operation that talks to the server ends with this.
    void Drain();
    void HandleKey(const XKeyEvent& key);
    void HandleProperty(const XPropertyEvent& property);
    // Reads the keyboard layout again before the mapping is next used: the keymap or the active
    // group changed.
    void LayoutChanged();
    // The mapping of the layout in effect, read again first when the layout has changed.
    const xkb::KeyMapping& Mapping();
    // Reads the keymap and the active group; grabs each hot key on its key in the new layout.
    void ReadMapping();
    // Grabs a key with the given modifiers under every combination of the lock modifiers; false
    // (nothing grabbed) when another program holds it.
    bool Grab(unsigned xKey, unsigned mask);
    void Ungrab(unsigned xKey, unsigned mask);
    // Wakes a WaitUntilFocused: the focus or the active window may have moved.
    void FocusMayHaveMoved();
    // Selects the root window's property changes (the active window, the window manager).
    void WatchRoot();
    // The server's present time: the time stamp of a property change made for the purpose.
    Time ServerTime();

    // The 32-bit items of a property of the given type; empty when absent or the window is gone.
    std::vector<unsigned long> Property32(Window window, Atom property, Atom type,
                                          long maxItems = 1024) const;
    std::string TextProperty(Window window, Atom property) const;
    bool HasItem(Window window, Atom property, Atom type, Atom item) const;
    // The parent of a window; 0 when the window is gone.
    Window Parent(Window window) const;
    // The children of a window, bottom to top; empty when the window is gone.
    std::vector<Window> Children(Window window) const;
    bool Exists(Window window) const;
    // The check window of the EWMH window manager that runs (it names itself; a stale one is
    // gone); 0 when none runs.
    Window WindowManagerCheck();
    bool WindowManagerRunning() { return WindowManagerCheck() != 0; }
    void SendToRoot(Window window, Atom messageType, long l0, long l1, long l2, long l3) const;
    // The window that holds the input focus when it and the active window both belong to this
    // program; 0 otherwise.
    Window OwnFocus();
    bool IsOwnWindow(Window window, const std::vector<Window>& own) const;
    // Whether the input focus lies in the window (or a window inside it) and, under a window
    // manager, the window is the active one.
    bool HasFocus(Window window);
    // The pid of the client that created the window (X-Resource); 0 when unknown.
    std::uint32_t ClientPid(Window window) const;
    // The window's process: its _NET_WM_PID when it runs on this machine, else its client's; 0
    // when unknown.
    std::uint32_t WindowPid(Window window) const;

    Display* display;
    Window root;
    bool hasXTest = false;
    bool hasXRes = false;
    // The name of this machine, as windows name the machine of their client.
    std::string hostName;
    std::vector<HotKey> hotKeys;
    // Time of the user's latest request (a hot-key press, a command, a menu): activations carry
    // it, and a window manager lets them through when nothing newer came from the user since.
    Time requestTime = CurrentTime;
    // A hidden window of this connection whose property changes tell the server's time.
    Window timeWindow = 0;
    // The event loop of a running WaitUntilFocused, and whether a focus event came since it last
    // looked.
    QEventLoop* focusWait = nullptr;
    bool focusEventSeen = false;
    std::unique_ptr<QSocketNotifier> notifier;
    // Called (from the event loop) when the root window's _NET_ACTIVE_WINDOW changes.
    std::function<void()> onForegroundChange;
    // Whether the root window's property changes are selected.
    bool rootWatched = false;
    // The window manager's check window (0: none) as last looked up; unset when unknown.
    std::optional<Window> wmCheckWindow;
    // The first event number of the XKB extension; unset without it.
    std::optional<int> xkbEventBase;
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> xkbContext{nullptr,
                                                                          &xkb_context_unref};
    xkb::KeyMapping mapping;
    std::uint64_t mappingRevision = 1;
    bool mappingStale = true;

    Atom netActiveWindow;
    Atom netSupportingWmCheck;
    Atom netWmWindowType;
    Atom netWmWindowTypeDock;
    Atom netWmWindowTypeUtility;
    Atom netWmWindowTypeNormal;
    Atom motifWmHints;
    Atom timeStamp;
    Atom netWmState;
    Atom netWmStateAbove;
    Atom netWmStateSkipTaskbar;
    Atom netClientListStacking;
    Atom netWmName;
    Atom netWmIcon;
    Atom netWmWindowTypeDesktop;
    Atom utf8String;
    Atom netWmStateHidden;
    Atom netWmStateShaded;
    Atom netWmDesktop;
    Atom netCurrentDesktop;
    Atom netWmStateSkipPager;
    Atom netWmPid;
    Atom systemTray;
    Atom xkbRulesNames;
};

} // namespace platform
