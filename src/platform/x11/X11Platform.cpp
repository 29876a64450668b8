// The platform on X11: key state, synthetic input, the hot key and windows.
// Qt headers come first: Xlib's macros (None, Bool, KeyPress) break them.
#include "platform/x11/X11Platform.h"

#include "platform/linux/KeyMapping.h"
#include "platform/linux/Log.h"
#include "platform/VirtualKeys.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QProcess>
#include <QSocketNotifier>
#include <QWindow>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/Xlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

// Includes Xlib: after Qt's headers.
#include "platform/x11/WindowIdentity.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace platform {

namespace {

// The code of the last X error. Xlib's default handler would end the process, for example on
// BadWindow for a window that vanished since a root property named it.
int lastXError = Success;

int RecordXError(Display*, XErrorEvent* event)
{
    lastXError = event->error_code;
    return 0;
}

// A grab holds only for the exact modifier state, so each hot key is grabbed once per
// combination of the lock modifiers: Caps Lock, Num Lock (Mod2) and Scroll Lock (Mod5).
constexpr unsigned LockMaskCombinations[] = {
    0,
    LockMask,
    Mod2Mask,
    Mod5Mask,
    LockMask | Mod2Mask,
    LockMask | Mod5Mask,
    Mod2Mask | Mod5Mask,
    LockMask | Mod2Mask | Mod5Mask,
};
constexpr unsigned HotKeyModifierMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

unsigned XModifiers(std::uint32_t modifiers)
{
    unsigned mask = 0;
    mask |= (modifiers & ModAlt) ? Mod1Mask : 0;
    mask |= (modifiers & ModControl) ? ControlMask : 0;
    mask |= (modifiers & ModShift) ? ShiftMask : 0;
    mask |= (modifiers & ModWin) ? Mod4Mask : 0;
    return mask;
}

// _MOTIF_WM_HINTS: flags (bit 1: the decorations field is set), functions, decorations (0: none),
// input mode, status.
constexpr long MotifDecorationsFlag = 2;
constexpr int MotifHintItems = 5;

std::string HostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

} // namespace

struct X11Platform::XState
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

    explicit XState(Display* connection);
    ~XState();

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

    Display* display;
    Window root;
    bool hasXTest = false;
    bool hasXRes = false;
    std::string hostName = HostName();
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

X11Platform::XState::XState(Display* connection)
    : display(connection), root(DefaultRootWindow(connection))
{
    auto atom = [this](const char* name) { return XInternAtom(display, name, False); };
    netActiveWindow = atom("_NET_ACTIVE_WINDOW");
    netSupportingWmCheck = atom("_NET_SUPPORTING_WM_CHECK");
    netWmWindowType = atom("_NET_WM_WINDOW_TYPE");
    netWmWindowTypeDock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    netWmWindowTypeUtility = atom("_NET_WM_WINDOW_TYPE_UTILITY");
    netWmWindowTypeNormal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    motifWmHints = atom("_MOTIF_WM_HINTS");
    timeStamp = atom("_QUORVEL_TIME_STAMP");
    netWmState = atom("_NET_WM_STATE");
    netWmStateAbove = atom("_NET_WM_STATE_ABOVE");
    netWmStateSkipTaskbar = atom("_NET_WM_STATE_SKIP_TASKBAR");
    netClientListStacking = atom("_NET_CLIENT_LIST_STACKING");
    netWmName = atom("_NET_WM_NAME");
    netWmIcon = atom("_NET_WM_ICON");
    netWmWindowTypeDesktop = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    utf8String = atom("UTF8_STRING");
    netWmStateHidden = atom("_NET_WM_STATE_HIDDEN");
    netWmStateShaded = atom("_NET_WM_STATE_SHADED");
    netWmDesktop = atom("_NET_WM_DESKTOP");
    netCurrentDesktop = atom("_NET_CURRENT_DESKTOP");
    netWmStateSkipPager = atom("_NET_WM_STATE_SKIP_PAGER");
    netWmPid = atom("_NET_WM_PID");
    systemTray = atom(("_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display))).c_str());
    xkbRulesNames = atom("_XKB_RULES_NAMES");

    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    hasXTest = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
    if (!hasXTest) {
        qCWarning(lcPlatform) << "no XTEST extension: shortcuts cannot be carried out";
    }
    // Client ids (with the pid) came with version 1.2.
    hasXRes = XResQueryExtension(display, &eventBase, &errorBase) &&
              XResQueryVersion(display, &major, &minor) &&
              (major > 1 || (major == 1 && minor >= 2));
    if (!hasXRes) {
        qCWarning(lcPlatform) << "no X-Resource 1.2 extension: windows without _NET_WM_PID have "
                                 "no known owner";
    }
    // Auto-repeat then sends presses without the releases in between.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(display, True, &detectable);
    // A new keymap, a changed one and a switch of the active group announce a new layout.
    int xkbOpcode = 0;
    int xkbEvents = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (XkbQueryExtension(display, &xkbOpcode, &xkbEvents, &errorBase, &major, &minor) &&
        xkb_x11_setup_xkb_extension(XGetXCBConnection(display), XKB_X11_MIN_MAJOR_XKB_VERSION,
                                    XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr,
                                    nullptr)) {
        xkbEventBase = xkbEvents;
        xkbContext.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
        constexpr unsigned long layoutEvents = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, layoutEvents, layoutEvents);
        XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                              XkbGroupStateMask);
        // The root window's _XKB_RULES_NAMES names the layouts.
        XWindowAttributes attributes;
        XGetWindowAttributes(display, root, &attributes);
        XSelectInput(display, root, attributes.your_event_mask | PropertyChangeMask);
        rootWatched = true;
    } else {
        qCWarning(lcPlatform) << "no XKB extension: keys are taken as on a US keyboard";
    }

    notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { Drain(); });
    Drain();
}

X11Platform::XState::~XState()
{
    notifier.reset();
    XCloseDisplay(display);
}

void X11Platform::XState::Drain()
{
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == KeyPress || event.type == KeyRelease) {
            HandleKey(event.xkey);
        } else if (event.type == PropertyNotify) {
            HandleProperty(event.xproperty);
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            LayoutChanged();
        } else if (xkbEventBase && event.type == *xkbEventBase) {
            LayoutChanged();
        } else if (event.type == FocusIn) {
            FocusMayHaveMoved();
        } else if (event.type == DestroyNotify && wmCheckWindow &&
                   event.xdestroywindow.window == *wmCheckWindow) {
            wmCheckWindow.reset();
        }
    }
}

void X11Platform::XState::HandleKey(const XKeyEvent& key)
{
    for (HotKey& hotKey : hotKeys) {
        if (hotKey.keyCode != key.keycode) {
            continue;
        }
        if (key.type == KeyRelease) {
            hotKey.down = false;
        } else if (!hotKey.down && (key.state & HotKeyModifierMask) == hotKey.modifiers) {
            hotKey.down = true;
            requestTime = key.time;
            // Runs from the event loop, never inside another platform call that drained.
            if (hotKey.callback) {
                QTimer::singleShot(0, notifier.get(), hotKey.callback);
            }
        }
    }
}

void X11Platform::XState::HandleProperty(const XPropertyEvent& property)
{
    if (property.window != root) {
        return;
    }
    if (property.atom == netSupportingWmCheck) {
        wmCheckWindow.reset();
    } else if (property.atom == xkbRulesNames) {
        // The layout names come after the keymap: the keyboard's shape follows them.
        LayoutChanged();
    } else if (property.atom == netActiveWindow) {
        FocusMayHaveMoved();
        if (onForegroundChange) {
            QTimer::singleShot(0, notifier.get(), onForegroundChange);
        }
    }
}

void X11Platform::XState::LayoutChanged()
{
    if (mappingStale) {
        return;
    }
    mappingStale = true;
    // Read from the event loop, so that the hot key follows a layout switch at once; never inside
    // the platform call that drained the event.
    QTimer::singleShot(0, notifier.get(), [this] { Mapping(); });
}

const xkb::KeyMapping& X11Platform::XState::Mapping()
{
    if (mappingStale) {
        mappingStale = false;
        ReadMapping();
    }
    return mapping;
}

void X11Platform::XState::ReadMapping()
{
    if (!xkbEventBase) {
        return;
    }
    xcb_connection_t* connection = XGetXCBConnection(display);
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_x11_keymap_new_from_device(xkbContext.get(), connection,
                                       xkb_x11_get_core_keyboard_device_id(connection),
                                       XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    XkbStateRec state{};
    if (!keymap || XkbGetState(display, XkbUseCoreKbd, &state) != Success) {
        qCWarning(lcPlatform) << "cannot read the keyboard layout";
        Drain();
        return;
    }
    // rules, model, layout, variant and options, each ended by a zero byte.
    const std::string rules = TextProperty(root, xkbRulesNames);
    std::string layouts;
    for (std::size_t at = 0, item = 0; at < rules.size() && item <= 2; ++item) {
        const std::size_t end = std::min(rules.find('\0', at), rules.size());
        layouts = rules.substr(at, end - at);
        at = end + 1;
    }
    xkb::KeyMapping read(keymap.get(), state.group, layouts);
    if (read != mapping) {
        mapping = std::move(read);
        ++mappingRevision;
        for (HotKey& hotKey : hotKeys) {
            const unsigned xKey = mapping.XKeyOfVirtualKey(hotKey.code);
            if (xKey != hotKey.keyCode) {
                Ungrab(hotKey.keyCode, hotKey.modifiers);
                hotKey.keyCode = xKey != 0 && Grab(xKey, hotKey.modifiers) ? xKey : 0;
                hotKey.down = false;
            }
        }
    }
    Drain();
}

bool X11Platform::XState::Grab(unsigned xKey, unsigned mask)
{
    // Another handler may have replaced ours since start; a refusal is only seen through ours.
    const XErrorHandler previous = XSetErrorHandler(RecordXError);
    XSync(display, False);
    lastXError = Success;
    for (const unsigned locks : LockMaskCombinations) {
        XGrabKey(display, static_cast<int>(xKey), mask | locks, root, False, GrabModeAsync,
                 GrabModeAsync);
    }
    XSync(display, False);
    // BadAccess: another program holds the combination.
    const bool refused = lastXError != Success;
    if (refused) {
        Ungrab(xKey, mask);
        XSync(display, False);
    }
    XSetErrorHandler(previous);
    return !refused;
}

void X11Platform::XState::Ungrab(unsigned xKey, unsigned mask)
{
    if (xKey == 0) {
        return;
    }
    for (const unsigned locks : LockMaskCombinations) {
        XUngrabKey(display, static_cast<int>(xKey), mask | locks, root);
    }
}

void X11Platform::XState::FocusMayHaveMoved()
{
    focusEventSeen = true;
    if (focusWait) {
        focusWait->quit();
    }
}

void X11Platform::XState::WatchRoot()
{
    if (rootWatched) {
        return;
    }
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XSelectInput(display, root, attributes.your_event_mask | PropertyChangeMask);
    rootWatched = true;
    wmCheckWindow.reset();
}

namespace {

Bool IsPropertyChangeOf(Display*, XEvent* event, XPointer window)
{
    return event->type == PropertyNotify &&
           event->xproperty.window == *reinterpret_cast<const Window*>(window);
}

} // namespace

Time X11Platform::XState::ServerTime()
{
    if (timeWindow == 0) {
        timeWindow = XCreateSimpleWindow(display, root, -1, -1, 1, 1, 0, 0, 0);
        XSelectInput(display, timeWindow, PropertyChangeMask);
    }
    // Appending nothing changes nothing, and is announced with the time it was done.
    XChangeProperty(display, timeWindow, timeStamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XIfEvent(display, &event, IsPropertyChangeOf, reinterpret_cast<XPointer>(&timeWindow));
    return event.xproperty.time;
}

std::vector<unsigned long> X11Platform::XState::Property32(Window window, Atom property, Atom type,
                                                           long maxItems) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, property, 0, maxItems, False, type, &actualType,
                           &format, &count, &remaining, &data) != Success) {
        return items;
    }
    if (data && actualType == type && format == 32) {
        // Xlib hands 32-bit items over as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data) {
        XFree(data);
    }
    return items;
}

std::string X11Platform::XState::TextProperty(Window window, Atom property) const
{
    return ReadTextProperty(display, window, property);
}

bool X11Platform::XState::HasItem(Window window, Atom property, Atom type, Atom item) const
{
    const auto items = Property32(window, property, type);
    return std::find(items.begin(), items.end(), item) != items.end();
}

Window X11Platform::XState::Parent(Window window) const
{
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) {
        return 0;
    }
    if (children) {
        XFree(children);
    }
    return parent;
}

std::vector<Window> X11Platform::XState::Children(Window window) const
{
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &rootReturn, &parent, &children, &count) && children) {
        result.assign(children, children + count);
    }
    if (children) {
        XFree(children);
    }
    return result;
}

bool X11Platform::XState::Exists(Window window) const
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0;
}

Window X11Platform::XState::WindowManagerCheck()
{
    if (wmCheckWindow) {
        return *wmCheckWindow;
    }
    const auto check = Property32(root, netSupportingWmCheck, XA_WINDOW);
    Window found = 0;
    if (!check.empty() && check[0] != 0) {
        const auto self = Property32(check[0], netSupportingWmCheck, XA_WINDOW);
        found = !self.empty() && self[0] == check[0] ? check[0] : 0;
    }
    // Kept while nothing can change it unseen: the root's property changes are watched, and the
    // check window's end is announced by its DestroyNotify.
    if (rootWatched) {
        if (found != 0) {
            XSelectInput(display, found, StructureNotifyMask);
        }
        wmCheckWindow = found;
    }
    return found;
}

void X11Platform::XState::SendToRoot(Window window, Atom messageType, long l0, long l1, long l2,
                                     long l3) const
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = messageType;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

std::uint32_t X11Platform::XState::ClientPid(Window window) const
{
    if (!hasXRes) {
        return 0;
    }
    XResClientIdSpec query{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    if (XResQueryClientIds(display, 1, &query, &count, &values) != Success) {
        return 0;
    }
    std::uint32_t pid = 0;
    for (long i = 0; i < count; ++i) {
        if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID) {
            // Negative for a client on another machine.
            const pid_t clientPid = XResGetClientPid(&values[i]);
            pid = clientPid > 0 ? static_cast<std::uint32_t>(clientPid) : 0;
        }
    }
    XResClientIdsDestroy(count, values);
    return pid;
}

X11Platform::X11Platform(DisplayConnection connection)
{
    keymapExpiry_.setSingleShot(true);
    keymapExpiry_.setInterval(0);
    QObject::connect(&keymapExpiry_, &QTimer::timeout, &keymapExpiry_,
                     [this] { keymapValid_ = false; });
    if (connection == DisplayConnection::Now) {
        ConnectDisplay();
    }
}

void X11Platform::ConnectDisplay()
{
    if (x_) {
        return;
    }
    XSetErrorHandler(RecordXError);
    if (Display* display = XOpenDisplay(nullptr)) {
        x_ = std::make_unique<XState>(display);
    } else {
        qCWarning(lcPlatform) << "cannot open the X display: no hot key, key state or windows";
    }
}

X11Platform::~X11Platform() = default;

bool X11Platform::HasDisplay() const
{
    return x_ != nullptr;
}

bool X11Platform::XState::IsOwnWindow(Window window, const std::vector<Window>& own) const
{
    // The focus may lie on a child of a top-level window: climb a few levels.
    for (int level = 0; window != 0 && window != root && level < 8; ++level) {
        if (std::find(own.begin(), own.end(), window) != own.end()) {
            return true;
        }
        window = Parent(window);
    }
    return false;
}

bool X11Platform::XState::HasFocus(Window window)
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    bool inside = false;
    for (Window at = focus; at != None && at != PointerRoot && at != root; at = Parent(at)) {
        if (at == window) {
            inside = true;
            break;
        }
    }
    if (!inside || !WindowManagerRunning()) {
        return inside;
    }
    const auto active = Property32(root, netActiveWindow, XA_WINDOW);
    return !active.empty() && active[0] == window;
}

Window X11Platform::XState::OwnFocus()
{
    std::vector<Window> own;
    for (const QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle()) {
            own.push_back(static_cast<Window>(window->winId()));
        }
    }
    // Asked of the server at every read, not of the toolkit, whose idea of the focus lags.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot || !IsOwnWindow(focus, own)) {
        return 0;
    }
    if (!WindowManagerRunning()) {
        return focus;
    }
    const auto active = Property32(root, netActiveWindow, XA_WINDOW);
    return !active.empty() && IsOwnWindow(active[0], own) ? focus : 0;
}

bool X11Platform::ReadKeymap()
{
    // Only the program's own input is read: while another program has the keyboard, nothing is.
    // The focus is asked before and after the read; a read during which it moved is discarded.
    const Window focus = x_ ? x_->OwnFocus() : 0;
    if (focus == 0) {
        if (x_) {
            x_->Drain();
        }
        return false;
    }
    char keys[32];
    XQueryKeymap(x_->display, keys);
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned buttons = 0;
    const bool pointerRead = XQueryPointer(x_->display, x_->root, &rootReturn, &child, &rootX,
                                           &rootY, &windowX, &windowY, &buttons);
    if (x_->OwnFocus() != focus) {
        x_->Drain();
        return false;
    }
    keymap_.fill(0);
    const xkb::KeyMapping& mapping = x_->Mapping();
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        if (keys[xKey / 8] & (1 << (xKey % 8))) {
            if (const std::uint8_t code = mapping.VirtualKeyOfXKey(xKey)) {
                keymap_[code] = 0x80;
            }
        }
    }
    keymap_[vk::Shift] = keymap_[vk::LShift] | keymap_[vk::RShift];
    keymap_[vk::Control] = keymap_[vk::LControl] | keymap_[vk::RControl];
    keymap_[vk::Menu] = keymap_[vk::LMenu] | keymap_[vk::RMenu];
    if (pointerRead) {
        // X numbers the middle button 2 and the right one 3.
        keymap_[vk::LButton] = (buttons & Button1Mask) ? 0x80 : 0;
        keymap_[vk::RButton] = (buttons & Button3Mask) ? 0x80 : 0;
        keymap_[vk::MButton] = (buttons & Button2Mask) ? 0x80 : 0;
    }
    x_->Drain();
    return true;
}

bool X11Platform::GetKeyboardState(std::uint8_t state[256])
{
    if (!ReadKeymap()) {
        return false;
    }
    std::copy(keymap_.begin(), keymap_.end(), state);
    return true;
}

std::int16_t X11Platform::GetKeyState(std::uint16_t code)
{
    if (!keymapValid_) {
        if (!ReadKeymap()) {
            return 0;
        }
        // Every key asked about while handling one event is answered from this one read.
        keymapValid_ = true;
        keymapExpiry_.start();
    }
    const std::uint16_t index = code == vk::AnyWin ? (code & 0xFF) : code;
    if (index >= keymap_.size()) {
        return 0;
    }
    return (keymap_[index] & 0x80) ? static_cast<std::int16_t>(-128) : 0;
}

void X11Platform::SendKeyEvent(std::uint8_t code, bool keyUp)
{
    if (!x_ || !x_->hasXTest) {
        return;
    }
    // A code the layout has no key for is sent as nothing, never as the key of its position.
    const unsigned xKey = x_->Mapping().XKeyOfVirtualKey(code);
    if (xKey == 0) {
        return;
    }
    XTestFakeKeyEvent(x_->display, xKey, keyUp ? False : True, CurrentTime);
    XFlush(x_->display);
}

bool X11Platform::RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                                 std::function<void()> onHotKey)
{
    const unsigned xKey = x_ ? x_->Mapping().XKeyOfVirtualKey(code) : 0;
    if (xKey == 0) {
        return false;
    }
    const unsigned mask = XModifiers(modifiers);
    const bool grabbed = x_->Grab(xKey, mask);
    x_->Drain();
    if (!grabbed) {
        qCWarning(lcPlatform) << "the hot key is held by another program; key code" << code
                              << "modifiers" << modifiers;
        return false;
    }
    x_->hotKeys.push_back({code, xKey, mask, std::move(onHotKey)});
    return true;
}

void X11Platform::UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code)
{
    if (!x_) {
        return;
    }
    const unsigned mask = XModifiers(modifiers);
    auto& hotKeys = x_->hotKeys;
    const auto registered = std::find_if(hotKeys.begin(), hotKeys.end(), [&](const auto& hotKey) {
        return hotKey.code == code && hotKey.modifiers == mask;
    });
    if (registered == hotKeys.end()) {
        return;
    }
    x_->Ungrab(registered->keyCode, mask);
    hotKeys.erase(registered);
    XFlush(x_->display);
    x_->Drain();
}

const xkb::KeyMapping& X11Platform::Mapping() const
{
    static const xkb::KeyMapping usPositions;
    return x_ ? x_->Mapping() : usPositions;
}

std::string X11Platform::GetKeyBindingName(std::uint16_t code)
{
    return Mapping().KeySymName(code);
}

std::uint16_t X11Platform::GetKeyOfBindingName(const std::string& name)
{
    return Mapping().VirtualKeyOfKeySymName(name);
}

std::optional<KeyCap> X11Platform::GetKeyCap(std::uint16_t code)
{
    return Mapping().CapOf(code);
}

std::uint16_t X11Platform::GetKeyAtPosition(std::uint16_t position)
{
    return Mapping().KeyAtPosition(position);
}

std::optional<CharacterKey> X11Platform::GetKeyOfCharacter(char32_t character)
{
    return Mapping().KeyOfCharacter(character);
}

KeyboardShape X11Platform::GetKeyboardShape()
{
    return Mapping().IsIso() ? KeyboardShape::Iso : KeyboardShape::Ansi;
}

std::uint64_t X11Platform::GetKeyboardLayoutRevision()
{
    if (!x_) {
        return 0;
    }
    x_->Mapping();
    return x_->mappingRevision;
}

std::string X11Platform::GetWindowManagerName()
{
    if (!x_ || !x_->WindowManagerRunning()) {
        return {};
    }
    const auto check = x_->Property32(x_->root, x_->netSupportingWmCheck, XA_WINDOW);
    const std::string name =
        check.empty() ? std::string() : x_->TextProperty(check[0], x_->netWmName);
    x_->Drain();
    return name;
}

WindowId X11Platform::GetForegroundWindow()
{
    if (!x_) {
        return 0;
    }
    WindowId foreground = 0;
    const auto active = x_->WindowManagerRunning()
                            ? x_->Property32(x_->root, x_->netActiveWindow, XA_WINDOW)
                            : std::vector<unsigned long>();
    if (!active.empty()) {
        // The window manager may leave a closed window there for a while.
        foreground = active[0] != 0 && x_->Exists(active[0]) ? active[0] : 0;
    } else {
        // No window manager: the top-level window that holds the input focus.
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(x_->display, &focus, &revert);
        Window window = (focus == None || focus == PointerRoot) ? 0 : focus;
        while (window != 0 && window != x_->root) {
            const Window parent = x_->Parent(window);
            if (parent == x_->root) {
                break;
            }
            // 0: the window vanished while climbing.
            window = parent;
        }
        foreground = window != x_->root ? window : 0;
    }
    x_->Drain();
    return foreground;
}

bool X11Platform::WatchForegroundWindow(std::function<void()> onChange)
{
    if (!x_) {
        return false;
    }
    x_->onForegroundChange = std::move(onChange);
    if (!x_->onForegroundChange) {
        return true;
    }
    // Without an EWMH window manager nobody announces the active window.
    if (!x_->WindowManagerRunning()) {
        x_->onForegroundChange = nullptr;
        return false;
    }
    x_->WatchRoot();
    XFlush(x_->display);
    x_->Drain();
    return true;
}

bool X11Platform::IsTaskbarWindow(WindowId window)
{
    if (!x_ || window == 0) {
        return false;
    }
    bool taskbar = x_->HasItem(window, x_->netWmWindowType, XA_ATOM, x_->netWmWindowTypeDock);
    // The notification area: the owner of the tray selection or one of its ancestors.
    for (Window tray = taskbar ? 0 : XGetSelectionOwner(x_->display, x_->systemTray);
         tray != 0 && tray != x_->root; tray = x_->Parent(tray)) {
        if (tray == window) {
            taskbar = true;
            break;
        }
    }
    x_->Drain();
    return taskbar;
}

void X11Platform::SetForegroundWindow(WindowId window)
{
    if (!x_ || window == 0) {
        return;
    }
    if (x_->WindowManagerRunning()) {
        // Source 2 ("pager"): a request on the user's behalf, with the time of that request.
        x_->SendToRoot(window, x_->netActiveWindow, 2, static_cast<long>(x_->requestTime), 0, 0);
        XRaiseWindow(x_->display, window);
    } else {
        XRaiseWindow(x_->display, window);
        XSetInputFocus(x_->display, window, RevertToPointerRoot, CurrentTime);
    }
    XFlush(x_->display);
    x_->Drain();
}

bool X11Platform::IsWindowShownNormally(WindowId window)
{
    if (!x_ || window == 0) {
        return false;
    }
    // A window manager unmaps an iconified window and the windows of other desktops.
    XWindowAttributes attributes;
    bool shown = XGetWindowAttributes(x_->display, window, &attributes) &&
                 attributes.map_state == IsViewable;
    if (shown) {
        const auto state = x_->Property32(window, x_->netWmState, XA_ATOM);
        shown = std::find(state.begin(), state.end(), x_->netWmStateHidden) == state.end() &&
                std::find(state.begin(), state.end(), x_->netWmStateShaded) == state.end();
    }
    if (shown) {
        const auto desktop = x_->Property32(window, x_->netWmDesktop, XA_CARDINAL);
        const auto current = x_->Property32(x_->root, x_->netCurrentDesktop, XA_CARDINAL);
        constexpr unsigned long AllDesktops = 0xFFFFFFFF;
        shown = desktop.empty() || current.empty() || desktop[0] == AllDesktops ||
                desktop[0] == current[0];
    }
    x_->Drain();
    return shown;
}

void X11Platform::PrepareOverlay(WindowId window)
{
    if (!x_ || window == 0) {
        return;
    }
    Display* display = x_->display;
    // Window managers drop _NET_WM_STATE when a window is withdrawn; the toolkit keeps the items
    // it finds there when it writes its own at the next showing.
    auto state = x_->Property32(window, x_->netWmState, XA_ATOM);
    for (const Atom item : {x_->netWmStateSkipTaskbar, x_->netWmStateSkipPager}) {
        if (std::find(state.begin(), state.end(), item) == state.end()) {
            state.push_back(item);
        }
    }
    XChangeProperty(display, window, x_->netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state.data()),
                    static_cast<int>(state.size()));
    // A utility window: rules that give normal windows and dialogs a title bar (awesome's) leave
    // it alone, and it still takes the focus. Normal for a window manager that knows no utility.
    const unsigned long types[] = {x_->netWmWindowTypeUtility, x_->netWmWindowTypeNormal};
    XChangeProperty(display, window, x_->netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(types), 2);
    const unsigned long motif[MotifHintItems] = {MotifDecorationsFlag, 0, 0, 0, 0};
    XChangeProperty(display, window, x_->motifWmHints, x_->motifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), MotifHintItems);
    // Written before the toolkit, on its own connection, reads the state to show the window.
    XSync(display, False);
    x_->Drain();
}

void X11Platform::OverlayMapped(WindowId window)
{
    if (!x_ || window == 0 || GetWindowManagerName() != "herbstluftwm") {
        return;
    }
    // herbstluftwm frames every window it manages and reads no decoration hints; a managed
    // window's "decorated" attribute (herbstluftwm(1), CLIENTS) leaves it bare until it is
    // withdrawn. herbstclient reaches it after the map request already sent, so by then the
    // window is managed.
    QProcess client;
    client.setProgram(QStringLiteral("herbstclient"));
    client.setArguments({QStringLiteral("attr"),
                         QStringLiteral("clients.0x%1.decorated").arg(window, 0, 16),
                         QStringLiteral("false")});
    client.setStandardInputFile(QProcess::nullDevice());
    client.setStandardOutputFile(QProcess::nullDevice());
    client.setStandardErrorFile(QProcess::nullDevice());
    if (!client.startDetached()) {
        qCWarning(lcPlatform) << "herbstclient could not be started: the overlay keeps its frame";
    }
}

void X11Platform::NoteUserRequest()
{
    if (!x_) {
        return;
    }
    x_->requestTime = x_->ServerTime();
    x_->Drain();
}

bool X11Platform::WaitUntilFocused(WindowId window, int timeoutMs)
{
    if (!x_ || window == 0) {
        return false;
    }
    // Focus changes inside the window and changes of the active window end each wait.
    XSelectInput(x_->display, window, FocusChangeMask);
    x_->WatchRoot();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(std::max(timeoutMs, 0));
    // A wait started from the event loop of another (the gesture while the overlay waits) hands
    // the events back to it when it ends.
    QEventLoop* const outer = std::exchange(x_->focusWait, &loop);
    bool focused = false;
    for (;;) {
        x_->focusEventSeen = false;
        focused = x_->HasFocus(window);
        x_->Drain();
        if (focused || timeoutMs <= 0 || !deadline.isActive()) {
            break;
        }
        if (!x_->focusEventSeen) {
            loop.exec();
        }
    }
    x_->focusWait = outer;
    XSelectInput(x_->display, window, NoEventMask);
    XFlush(x_->display);
    x_->Drain();
    return focused;
}

std::vector<WindowId> X11Platform::GetTopLevelWindows()
{
    std::vector<WindowId> windows;
    if (!x_) {
        return windows;
    }
    // The window manager's list holds the application windows themselves, bottom to top; without
    // one, the root's children in stacking order.
    auto stacking = x_->WindowManagerRunning()
                        ? x_->Property32(x_->root, x_->netClientListStacking, XA_WINDOW)
                        : std::vector<unsigned long>();
    if (stacking.empty()) {
        const auto children = x_->Children(x_->root);
        stacking.assign(children.begin(), children.end());
    }
    windows.assign(stacking.rbegin(), stacking.rend());
    x_->Drain();
    return windows;
}

std::vector<WindowId> X11Platform::GetChildWindows(WindowId parent, bool recursive)
{
    std::vector<WindowId> windows;
    if (!x_ || parent == 0) {
        return windows;
    }
    for (const Window child : x_->Children(parent)) {
        windows.push_back(child);
        if (recursive) {
            const auto below = GetChildWindows(child, true);
            windows.insert(windows.end(), below.begin(), below.end());
        }
    }
    x_->Drain();
    return windows;
}

std::string X11Platform::GetWindowTitle(WindowId window)
{
    if (!x_ || window == 0) {
        return {};
    }
    std::string title = x_->TextProperty(window, x_->netWmName);
    if (title.empty()) {
        title = x_->TextProperty(window, XA_WM_NAME);
    }
    x_->Drain();
    return title;
}

bool X11Platform::IsWindowVisible(WindowId window)
{
    if (!x_ || window == 0) {
        return false;
    }
    XWindowAttributes attributes;
    const bool visible = XGetWindowAttributes(x_->display, window, &attributes) &&
                         attributes.map_state == IsViewable;
    x_->Drain();
    return visible;
}

WindowId X11Platform::GetWindowOwner(WindowId window)
{
    if (!x_ || window == 0) {
        return 0;
    }
    Window owner = 0;
    if (!XGetTransientForHint(x_->display, window, &owner)) {
        owner = 0;
    }
    x_->Drain();
    // Some toolkits name the root or the window itself: no owner.
    return owner == x_->root || owner == window ? 0 : owner;
}

Platform::Picture X11Platform::GetWindowIcon(WindowId window, int size)
{
    Picture best;
    if (!x_ || window == 0) {
        return best;
    }
    // _NET_WM_ICON holds width, height and width * height ARGB values, for each size offered.
    // Several sizes, the largest up to 1024 x 1024.
    constexpr long MaxIconItems = 4 * 1024 * 1024;
    const auto data = x_->Property32(window, x_->netWmIcon, XA_CARDINAL, MaxIconItems);
    long bestDistance = -1;
    for (std::size_t at = 0; at + 2 <= data.size();) {
        const unsigned long width = data[at];
        const unsigned long height = data[at + 1];
        if (width == 0 || height == 0 || width > 1024 || height > 1024 ||
            width * height > data.size() - at - 2) {
            break;
        }
        const long distance = std::labs(static_cast<long>(width) - size);
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best.width = static_cast<int>(width);
            best.height = static_cast<int>(height);
            best.argb.assign(data.begin() + static_cast<std::ptrdiff_t>(at + 2),
                             data.begin() + static_cast<std::ptrdiff_t>(at + 2 + width * height));
        }
        at += 2 + width * height;
    }
    x_->Drain();
    return best;
}

std::string X11Platform::GetWindowClass(WindowId window)
{
    if (!x_ || window == 0) {
        return {};
    }
    XClassHint hint{nullptr, nullptr};
    std::string name;
    if (XGetClassHint(x_->display, window, &hint)) {
        name = hint.res_class ? hint.res_class : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    x_->Drain();
    return name;
}

Platform::WindowIdentity X11Platform::GetWindowIdentity(WindowId window)
{
    if (!x_ || window == 0) {
        return {};
    }
    WindowIdentity identity = ReadWindowIdentity(x_->display, window);
    x_->Drain();
    return identity;
}

bool X11Platform::IsDesktopWindow(WindowId window)
{
    if (!x_ || window == 0) {
        return false;
    }
    const bool desktop =
        x_->HasItem(window, x_->netWmWindowType, XA_ATOM, x_->netWmWindowTypeDesktop);
    x_->Drain();
    return desktop;
}

void X11Platform::FlushWindowRequests()
{
    // Qt's own connection to the server carries the requests of its windows.
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_flush(x11->connection());
    }
}

bool X11Platform::IsTopmost(WindowId window)
{
    if (!x_ || window == 0) {
        return false;
    }
    const bool above = x_->HasItem(window, x_->netWmState, XA_ATOM, x_->netWmStateAbove);
    x_->Drain();
    return above;
}

void X11Platform::SetTopmost(WindowId window, bool topmost)
{
    if (!x_ || window == 0) {
        return;
    }
    constexpr long Remove = 0;
    constexpr long Add = 1;
    x_->SendToRoot(window, x_->netWmState, topmost ? Add : Remove,
                   static_cast<long>(x_->netWmStateAbove), 0, 2);
    XFlush(x_->display);
    x_->Drain();
}

std::uint32_t X11Platform::GetWindowProcessId(WindowId window)
{
    if (!x_ || window == 0) {
        return 0;
    }
    std::uint32_t pid = 0;
    // A pid from another machine names some unrelated local process.
    if (!x_->hostName.empty() && x_->TextProperty(window, XA_WM_CLIENT_MACHINE) == x_->hostName) {
        const auto items = x_->Property32(window, x_->netWmPid, XA_CARDINAL);
        pid = items.empty() ? 0 : static_cast<std::uint32_t>(items[0]);
    }
    if (pid == 0) {
        pid = x_->ClientPid(window);
    }
    x_->Drain();
    return pid;
}

} // namespace platform
