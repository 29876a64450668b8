// The platform on X11: its connection. The keyboard is in X11Keyboard.cpp, the
// windows in X11Windows.cpp.
// Qt headers come first: Xlib's macros (None, Bool, KeyPress) break them.
#include "platform/x11/X11Platform.h"

#include "platform/linux/Log.h"

#include <QGuiApplication>

#include "platform/x11/XConnection.h"
#include "platform/x11/XErrorTrap.h"

namespace platform {

namespace {
// How often the key state is read while it is watched.
constexpr int KeyWatchIntervalMs = 20;
} // namespace

X11Platform::X11Platform(DisplayConnection connection)
{
    keyWatch_.setInterval(KeyWatchIntervalMs);
    QObject::connect(&keyWatch_, &QTimer::timeout, &keyWatch_, [this] { ReportKeyChanges(); });
    // Once another program has the keyboard, the keys down are reported afresh when this one has
    // it again, even if no read fell in between. The platform the command line is read with comes
    // before the application and watches no keys.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::applicationStateChanged, &keyWatch_,
                         [this](Qt::ApplicationState state) {
                             if (state != Qt::ApplicationActive) {
                                 reportedKeys_.fill(false);
                             }
                         });
    }
    if (connection == DisplayConnection::Now) {
        ConnectDisplay();
    }
}

void X11Platform::ConnectDisplay()
{
    if (x_) {
        return;
    }
    IgnoreUntrappedXErrors();
    if (Display* display = XOpenDisplay(nullptr)) {
        x_ = std::make_unique<XConnection>(display);
    } else {
        qCWarning(lcPlatform) << "cannot open the X display: no hot key, key state or windows";
    }
}

X11Platform::~X11Platform() = default;

bool X11Platform::HasDisplay() const
{
    return x_ != nullptr;
}

bool X11Platform::CanGrabTrigger()
{
    return HasDisplay();
}

bool X11Platform::CanTellActiveProcess()
{
    return HasDisplay();
}

bool X11Platform::CanSendInput()
{
    return HasDisplay();
}

bool X11Platform::CanKeepAbove()
{
    return HasDisplay();
}

} // namespace platform
