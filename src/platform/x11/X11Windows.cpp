// Windows and the window manager on X11.
// Qt headers come first: Xlib's macros (None, Bool, KeyPress) break them.
#include "platform/x11/X11Platform.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QProcess>
#include <QTimer>

#include "platform/linux/Log.h"
#include "platform/x11/WindowIdentity.h"
#include "platform/x11/XConnection.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

// _MOTIF_WM_HINTS: flags (bit 1: the decorations field is set), functions, decorations (0: none),
// input mode, status.
constexpr long MotifDecorationsFlag = 2;
constexpr int MotifHintItems = 5;

} // namespace

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

Platform::MenuExport X11Platform::GetWindowMenuExport(WindowId window)
{
    if (!x_ || window == 0) {
        return {};
    }
    MenuExport menus = ReadMenuExport(x_->display, window);
    x_->Drain();
    return menus;
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
    const std::uint32_t pid = x_->WindowPid(window);
    x_->Drain();
    return pid;
}

} // namespace platform
