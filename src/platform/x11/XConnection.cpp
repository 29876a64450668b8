// Qt headers come first: Xlib's macros (None, Bool, KeyPress) break them.
#include "platform/linux/Log.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include "platform/x11/XConnection.h"
#include "platform/x11/WindowIdentity.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace platform {

namespace {

std::string HostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

} // namespace

XConnection::XConnection(Display* connection)
    : display(connection), root(DefaultRootWindow(connection)), hostName(HostName())
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

XConnection::~XConnection()
{
    notifier.reset();
    XCloseDisplay(display);
}

void XConnection::Drain()
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

void XConnection::HandleProperty(const XPropertyEvent& property)
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

void XConnection::FocusMayHaveMoved()
{
    focusEventSeen = true;
    if (focusWait) {
        focusWait->quit();
    }
}

void XConnection::WatchRoot()
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

Time XConnection::ServerTime()
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

std::vector<unsigned long> XConnection::Property32(Window window, Atom property, Atom type,
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

std::string XConnection::TextProperty(Window window, Atom property) const
{
    return ReadTextProperty(display, window, property);
}

bool XConnection::HasItem(Window window, Atom property, Atom type, Atom item) const
{
    const auto items = Property32(window, property, type);
    return std::find(items.begin(), items.end(), item) != items.end();
}

Window XConnection::Parent(Window window) const
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

std::vector<Window> XConnection::Children(Window window) const
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

bool XConnection::Exists(Window window) const
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0;
}

Window XConnection::WindowManagerCheck()
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

void XConnection::SendToRoot(Window window, Atom messageType, long l0, long l1, long l2,
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

std::uint32_t XConnection::ClientPid(Window window) const
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

std::uint32_t XConnection::WindowPid(Window window) const
{
    std::uint32_t pid = 0;
    // A pid from another machine names some unrelated local process.
    if (!hostName.empty() && TextProperty(window, XA_WM_CLIENT_MACHINE) == hostName) {
        const auto items = Property32(window, netWmPid, XA_CARDINAL);
        pid = items.empty() ? 0 : static_cast<std::uint32_t>(items[0]);
    }
    return pid != 0 ? pid : ClientPid(window);
}

bool XConnection::IsOwnWindow(Window window, const std::vector<Window>& own) const
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

bool XConnection::HasFocus(Window window)
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

Window XConnection::OwnFocus()
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

} // namespace platform
