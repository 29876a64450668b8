// Qt headers come first: Xlib's macros (None, Bool, KeyPress) break them.
#include "platform/linux/Log.h"

#include <QtGlobal>

#include "platform/x11/XWaylandDisplay.h"
#include "platform/x11/WindowIdentity.h"
#include "platform/x11/XConnection.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>

namespace platform {

std::unique_ptr<XWaylandWindows> XWaylandDisplay::Open()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return nullptr;
    }
    IgnoreUntrappedXErrors();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        qCWarning(lcPlatform) << "XWayland's display does not open: X11 windows are not known";
        return nullptr;
    }
    auto connection = std::make_unique<XConnection>(display);
    connection->WatchRoot();
    return std::unique_ptr<XWaylandWindows>(new XWaylandDisplay(std::move(connection)));
}

XWaylandDisplay::XWaylandDisplay(std::unique_ptr<XConnection> connection)
    : x_(std::move(connection))
{
}

XWaylandDisplay::~XWaylandDisplay() = default;

std::optional<XWaylandWindows::Facts> XWaylandDisplay::Active()
{
    const auto active = x_->Property32(x_->root, x_->netActiveWindow, XA_WINDOW);
    if (active.empty() || active[0] == None || !x_->Exists(active[0])) {
        x_->Drain();
        return std::nullopt;
    }
    Facts facts;
    facts.id = active[0];
    facts.pid = x_->WindowPid(active[0]);
    facts.identity = ReadWindowIdentity(x_->display, active[0]);
    x_->Drain();
    return facts;
}

void XWaylandDisplay::Watch(std::function<void()> onChange)
{
    x_->onForegroundChange = std::move(onChange);
}

bool XWaylandDisplay::ActiveHasInputFocus()
{
    const auto active = x_->Property32(x_->root, x_->netActiveWindow, XA_WINDOW);
    const bool focused = !active.empty() && active[0] != None && x_->HasFocus(active[0]);
    x_->Drain();
    return focused;
}

bool XWaylandDisplay::IsKeyDown(unsigned xKeyCode)
{
    char keys[32] = {};
    XQueryKeymap(x_->display, keys);
    return xKeyCode < 256 && (keys[xKeyCode / 8] & (1 << (xKeyCode % 8))) != 0;
}

bool XWaylandDisplay::CanSend() const
{
    return x_->hasXTest;
}

void XWaylandDisplay::SendKey(unsigned xKeyCode, bool down)
{
    if (x_->hasXTest) {
        XTestFakeKeyEvent(x_->display, xKeyCode, down ? True : False, CurrentTime);
        XFlush(x_->display);
    }
}

} // namespace platform
