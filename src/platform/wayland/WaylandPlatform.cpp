#include "platform/wayland/WaylandPlatform.h"

#include "platform/VirtualKeys.h"
#include "platform/linux/Log.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/GnomeShell.h"
#include "platform/wayland/HyprlandDesktop.h"
#include "platform/wayland/KWinFakeInput.h"
#include "platform/wayland/KWinWindows.h"
#include "platform/wayland/LayerSurface.h"
#include "platform/wayland/Portal.h"
#include "platform/wayland/PortalShortcuts.h"
#include "platform/wayland/RemoteDesktop.h"
#include "platform/wayland/SwayDesktop.h"
#include "platform/wayland/WaylandSeat.h"
#include "platform/wayland/XWaylandSource.h"

#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QWindow>

#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

namespace platform {

namespace {

// The toolkit numbers this program's windows from 1, as sway and the toplevel list number the
// compositor's: a compositor window's id carries this bit, so that the two never meet.
constexpr WindowId CompositorBit = WindowId{1} << 62;
// hyprctl answers at once; a compositor that does not is not waited for long at start.
constexpr int HyprctlTimeoutMs = 2000;

WindowId OfCompositor(std::int64_t id)
{
    return CompositorBit | static_cast<WindowId>(id);
}

// The compositor's number of its window; none for an id of this program's windows.
std::optional<std::int64_t> CompositorNumber(WindowId window)
{
    if ((window & CompositorBit) == 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(window & ~CompositorBit);
}

// The window of this program with the id, if it is one.
QWindow* OwnWindow(WindowId window)
{
    if (CompositorNumber(window)) {
        return nullptr;
    }
    for (QWindow* own : QGuiApplication::allWindows()) {
        if (static_cast<WindowId>(own->winId()) == window) {
            return own;
        }
    }
    return nullptr;
}

// The application id the toolkit gives this program's windows: the desktop entry's name where
// one is set, else the executable's name.
std::string OwnAppId()
{
    QString name = QGuiApplication::desktopFileName();
    if (name.isEmpty()) {
        return QFileInfo(QCoreApplication::applicationFilePath()).baseName().toStdString();
    }
    if (name.endsWith(QLatin1String(".desktop"))) {
        name.chop(8);
    }
    return name.toStdString();
}

bool OwnWindowActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

std::uint16_t ButtonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return vk::LButton;
    case Qt::RightButton:
        return vk::RButton;
    case Qt::MiddleButton:
        return vk::MButton;
    default:
        return 0;
    }
}

} // namespace

// Follows the program's own key and button events and its activation.
class WaylandPlatform::KeyEvents : public QObject
{
public:
    explicit KeyEvents(WaylandPlatform& owner) : owner_(owner) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Each input event reaches the window first, then its widgets: the window's copy counts.
        if (!watched->isWindowType()) {
            return false;
        }
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) {
                owner_.OnKey(owner_.KeyOfEvent(*key), event->type() == QEvent::KeyPress);
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            owner_.OnKey(ButtonCode(static_cast<QMouseEvent*>(event)->button()),
                         event->type() == QEvent::MouseButtonPress);
            break;
        default:
            break;
        }
        return false;
    }

private:
    WaylandPlatform& owner_;
};

WaylandPlatform::WaylandPlatform(XWaylandOpener openXWayland)
    : keyEvents_(std::make_unique<KeyEvents>(*this))
{
    seat_ = wayland::WaylandSeat::Connect([] { qCInfo(lcPlatform) << "keyboard layout read"; });
    if (seat_ && seat_->CanSend()) {
        input_ = seat_.get();
    }
    // sway's IPC tells each window's process; the foreign-toplevel list only its application id;
    // on GNOME, Quorvel's Shell extension tells both and types the keys.
    sway_ = wayland::SwayDesktop::Open();
    if (sway_) {
        trigger_ = sway_.get();
        windows_ = sway_.get();
    } else {
        // The desktop entry's name, registered before any other call to the portal: its
        // registry knows the program by it.
        wayland::portal::RegisterApplication(QDBusConnection::sessionBus(),
                                             QStringLiteral("org.quorvel.Quorvel"));
        if (IsGnomeSession()) {
            OpenGnomeSources(openXWayland);
        } else {
            OpenDesktopSources();
        }
    }
    OpenOverlaySurface();
    qCInfo(lcPlatform) << "Wayland session: trigger"
                       << (sway_       ? "bound by sway"
                           : hyprland_ ? "bound by Hyprland"
                           : portal_   ? "bound through the portal"
                                       : "by the user")
                       << "- active window"
                       << (sway_        ? "from sway"
                           : gnome_     ? "from Quorvel's GNOME Shell extension"
                           : xwayland_  ? "of X11 windows from XWayland"
                           : kwin_      ? "from KWin's script"
                           : toplevels_ ? "from the compositor's toplevel list"
                                        : "unknown")
                       << "- synthetic keys"
                       << (gnome_ ? "by Quorvel's GNOME Shell extension"
                           : xwayland_ && remoteDesktop_
                               ? "by XTest into X11 windows, through the portal's remote desktop "
                                 "into others"
                           : xwayland_      ? "by XTest into X11 windows"
                           : remoteDesktop_ ? "through the portal's remote desktop"
                           : fakeInput_     ? "by KWin's fake input"
                           : input_         ? "by a virtual keyboard"
                                            : "none")
                       << "- overlay" << (overlay_ ? "on a layer surface" : "a window");
    qApp->installEventFilter(keyEvents_.get());
    // Every key is forgotten when the keyboard goes to another program; coming back, the modifiers
    // held at its entry are added at the first read, once the toolkit has taken the entry's
    // modifiers in (they follow the activation). The activation may come after the first keys
    // the program's window received: they stay.
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, keyEvents_.get(),
                     [this](Qt::ApplicationState state) {
                         enterModifiersPending_ = state == Qt::ApplicationActive;
                         if (!enterModifiersPending_) {
                             // The overlay's surface may have taken the keyboard from a window
                             // of the program's: its keys stay.
                             if (!overlayKeyboard_) {
                                 held_.Clear();
                             }
                             return;
                         }
                         // Watched, they are reported once the toolkit has them.
                         QTimer::singleShot(0, keyEvents_.get(), [this] { IsActive(); });
                     });
}

void WaylandPlatform::OpenGnomeSources(const XWaylandOpener& openXWayland)
{
    // GNOME 48 and later offer the portal's GlobalShortcuts; before, GNOME's custom keybinding
    // runs "quorvel --show" (the shell sets it up where the platform binds no trigger).
    portal_ = wayland::PortalShortcuts::Open();
    trigger_ = portal_.get();
    gnome_ = wayland::GnomeShell::Open(QDBusConnection::sessionBus());
    if (gnome_) {
        windows_ = gnome_.get();
        input_ = gnome_.get();
        return;
    }
    // The session is asked for now: GNOME shows its dialog at the start, not at the first key.
    remoteDesktop_ = wayland::RemoteDesktop::Open(QDBusConnection::sessionBus(),
                                                  GetSpecialFolder(SpecialFolderKind::Config) +
                                                      "/quorvel/remote-desktop-token",
                                                  OwnWindowActive);
    if (remoteDesktop_) {
        input_ = remoteDesktop_.get();
    }
    // XWayland's X server tells its own windows and takes keys for them.
    xwayland_ = openXWayland ? openXWayland() : nullptr;
    if (xwayland_) {
        xwaylandSource_ = std::make_unique<wayland::XWaylandSource>(
            *xwayland_, remoteDesktop_.get(), OwnWindowActive);
        windows_ = xwaylandSource_.get();
        input_ = xwaylandSource_.get();
    }
}

void WaylandPlatform::OpenDesktopSources()
{
    // Hyprland's portal leaves the key to the user's configuration; hyprctl binds it.
    hyprland_ = wayland::HyprlandDesktop::Open([this](const std::vector<std::string>& arguments) {
        return RunProgram("hyprctl", arguments, HyprctlTimeoutMs);
    });
    if (hyprland_) {
        trigger_ = hyprland_.get();
    } else {
        portal_ = wayland::PortalShortcuts::Open();
        trigger_ = portal_.get();
    }
    // The script lies beside the executable.
    const QString script = QFileInfo(QString::fromStdString(GetExecutablePath()))
                               .dir()
                               .filePath(QStringLiteral("kwin-windows.js"));
    kwin_ = wayland::KWinWindows::Open(script);
    if (kwin_) {
        windows_ = kwin_.get();
        if (!input_ && seat_) {
            fakeInput_ = wayland::KWinFakeInput::Open(seat_->Display());
            input_ = fakeInput_.get();
        }
    } else if (seat_) {
        toplevels_ = wayland::ForeignToplevels::Open(seat_->Display(), seat_->Seat());
        windows_ = toplevels_.get();
    }
}

void WaylandPlatform::OpenOverlaySurface()
{
    // GNOME offers no layer shell; there the overlay stays a window.
    overlay_ = seat_ ? wayland::LayerSurface::Open(*seat_) : nullptr;
    if (!overlay_) {
        return;
    }
    overlay_->onKeyboardEnter = [this](const std::vector<unsigned>& keysHeld) {
        overlayKeyboard_ = true;
        held_.Clear();
        for (const unsigned key : keysHeld) {
            OnKey(Mapping().VirtualKeyOfXKey(key), true);
        }
    };
    overlay_->onKeyboardLeave = [this] {
        overlayKeyboard_ = false;
        held_.Clear();
        // Still shown, the surface lost the keyboard to another.
        if (overlay_->Shown() && onOverlayGone_) {
            onOverlayGone_();
        }
    };
    overlay_->onKey = [this](unsigned xKeyCode, bool down) {
        OnKey(Mapping().VirtualKeyOfXKey(xKeyCode), down);
    };
    overlay_->onPointer = [this](const OverlayPointer& pointer) {
        if (pointer.kind == OverlayPointer::Kind::Press ||
            pointer.kind == OverlayPointer::Kind::Release) {
            OnKey(pointer.button, pointer.kind == OverlayPointer::Kind::Press);
        }
        if (onOverlayPointer_) {
            onOverlayPointer_(pointer);
        }
    };
    overlay_->onClosed = [this] {
        if (onOverlayGone_) {
            onOverlayGone_();
        }
    };
}

bool WaylandPlatform::HasOverlaySurface()
{
    return overlay_ != nullptr;
}

void WaylandPlatform::PresentOverlay(const OverlayPicture& picture)
{
    if (overlay_) {
        overlay_->Present(picture);
    }
}

void WaylandPlatform::HideOverlaySurface()
{
    if (overlay_) {
        overlay_->Hide();
    }
}

void WaylandPlatform::WatchOverlaySurface(std::function<void(const OverlayPointer&)> onPointer,
                                          std::function<void()> onGone)
{
    onOverlayPointer_ = std::move(onPointer);
    onOverlayGone_ = std::move(onGone);
}

WaylandPlatform::~WaylandPlatform()
{
    qApp->removeEventFilter(keyEvents_.get());
}

bool WaylandPlatform::IsWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           QGuiApplication::platformName() == QLatin1String("wayland");
}

bool WaylandPlatform::IsGnomeSession()
{
    return wayland::IsGnomeDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString());
}

bool WaylandPlatform::CanGrabTrigger()
{
    return trigger_ != nullptr;
}

bool WaylandPlatform::DesktopBindsTrigger()
{
    return trigger_ != nullptr;
}

bool WaylandPlatform::CanTellActiveProcess()
{
    return windows_ != nullptr;
}

bool WaylandPlatform::CanSendInput()
{
    return input_ != nullptr && input_->CanSend();
}

bool WaylandPlatform::CanKeepAbove()
{
    return false;
}

Platform::ShellExtension WaylandPlatform::GetShellExtension()
{
    if (sway_ || !IsGnomeSession()) {
        return {};
    }
    return {wayland::GnomeShell::ExtensionUuid, gnome_ != nullptr,
            remoteDesktop_ && remoteDesktop_->CanSend(), xwayland_ != nullptr};
}

bool WaylandPlatform::WatchKeyState(std::function<void(std::uint16_t code, bool down)> onKey)
{
    onKey_ = std::move(onKey);
    // Watched while the program has the keyboard: the keys held already come first.
    if (onKey_ && IsActive()) {
        for (const std::uint16_t code : held_.Down()) {
            Report(code, true);
        }
    }
    return true;
}

void WaylandPlatform::OnKey(std::uint16_t code, bool down)
{
    // The modifiers held at the entry come before the keys pressed since.
    IsActive();
    if (const std::uint16_t changed = held_.Set(code, down)) {
        Report(changed, down);
    }
}

void WaylandPlatform::Report(std::uint16_t code, bool down)
{
    if (onKey_) {
        const auto onKey = onKey_;
        onKey(code, down);
    }
}

std::uint16_t WaylandPlatform::KeyOfEvent(const QKeyEvent& key) const
{
    // By the keysym it typed, as the toolkit read it with the keymap of the keyboard that sent
    // it (a virtual keyboard's may differ from the seat's); else by the key's place.
    char name[64] = {};
    if (key.nativeVirtualKey() != 0 &&
        xkb_keysym_get_name(key.nativeVirtualKey(), name, sizeof name) > 0) {
        if (const std::uint16_t code = Mapping().VirtualKeyOfKeySymName(name)) {
            return code;
        }
    }
    return Mapping().VirtualKeyOfXKey(key.nativeScanCode());
}

const xkb::KeyMapping& WaylandPlatform::Mapping() const
{
    static const xkb::KeyMapping usPositions;
    return seat_ ? seat_->Mapping() : usPositions;
}

bool WaylandPlatform::IsActive()
{
    if (overlayKeyboard_) {
        return true;
    }
    if (QGuiApplication::applicationState() != Qt::ApplicationActive) {
        return false;
    }
    if (enterModifiersPending_) {
        enterModifiersPending_ = false;
        for (const std::uint16_t code :
             held_.AddModifiers(QGuiApplication::queryKeyboardModifiers())) {
            Report(code, true);
        }
    }
    return true;
}

bool WaylandPlatform::GetKeyboardState(std::uint8_t state[256])
{
    if (!IsActive()) {
        return false;
    }
    held_.Fill(state);
    return true;
}

void WaylandPlatform::SendKeyEvent(std::uint8_t code, bool keyUp)
{
    // A code the layout has no key for is sent as nothing.
    const unsigned xKey = Mapping().XKeyOfVirtualKey(code);
    if (input_ && xKey != 0) {
        input_->SendKey(xKey, !keyUp);
    }
}

bool WaylandPlatform::RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                                     std::function<void()> onHotKey)
{
    // A compositor runs "quorvel --show", which reaches this copy over the instance channel; the
    // portal calls back.
    return trigger_ &&
           trigger_->Bind(modifiers, GetKeyBindingName(code), ShowCommand(), std::move(onHotKey));
}

std::string WaylandPlatform::GetHotKeyDescription()
{
    return trigger_ ? trigger_->Description() : std::string();
}

void WaylandPlatform::WatchHotKeyDescription(std::function<void()> onChange)
{
    if (trigger_) {
        trigger_->WatchDescription(std::move(onChange));
    }
}

std::vector<std::string> WaylandPlatform::ShowCommand()
{
    return {GetExecutablePath(), "--show"};
}

std::string WaylandPlatform::GetTriggerConfigLine(std::uint32_t modifiers, std::uint16_t code)
{
    return trigger_ ? trigger_->ConfigLine(modifiers, GetKeyBindingName(code), ShowCommand())
                    : std::string();
}

void WaylandPlatform::UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code)
{
    if (trigger_) {
        trigger_->Unbind(modifiers, GetKeyBindingName(code));
    }
}

std::uint64_t WaylandPlatform::GetKeyboardLayoutRevision()
{
    return seat_ ? seat_->Revision() : 0;
}

WindowId WaylandPlatform::GetForegroundWindow()
{
    if (!windows_) {
        return 0;
    }
    const auto focused = windows_->Focused();
    return focused ? OfCompositor(focused->id) : 0;
}

bool WaylandPlatform::WatchForegroundWindow(std::function<void()> onChange)
{
    if (!windows_) {
        return false;
    }
    windows_->Watch(std::move(onChange));
    return true;
}

bool WaylandPlatform::IsTaskbarWindow(WindowId)
{
    // Panels are layer surfaces, never windows the compositor lists.
    return false;
}

void WaylandPlatform::SetForegroundWindow(WindowId window)
{
    if (QWindow* own = OwnWindow(window)) {
        own->requestActivate();
    } else if (const auto number = CompositorNumber(window); number && windows_) {
        windows_->Activate(*number);
    }
}

void WaylandPlatform::FlushWindowRequests() {}

bool WaylandPlatform::IsWindowShownNormally(WindowId window)
{
    QWindow* own = OwnWindow(window);
    return !own || own->isExposed();
}

void WaylandPlatform::PrepareOverlay(WindowId window)
{
    QWindow* own = OwnWindow(window);
    if (!sway_ || !own || overlayRuleSet_) {
        return;
    }
    // The overlay floats above the tiled windows on every workspace, without a border; sway
    // centres a new floating window on its output.
    QString title = QRegularExpression::escape(own->title());
    title.replace(QLatin1Char('"'), QLatin1String("\\\""));
    overlayRuleSet_ =
        sway_->RunCommand("for_window [pid=" + std::to_string(getpid()) + " title=\"^" +
                          title.toStdString() + "$\"] floating enable, sticky enable, border none");
}

void WaylandPlatform::NoteUserRequest() {}

bool WaylandPlatform::WaitUntilFocused(WindowId window, int timeoutMs)
{
    QWindow* own = OwnWindow(window);
    auto focused = [&] {
        if (own) {
            return own->isActive();
        }
        return windows_ && GetForegroundWindow() == window;
    };
    if (focused() || timeoutMs <= 0) {
        return focused();
    }
    // The focus arrives as an event: look after each one, for at most timeoutMs.
    QEventLoop loop;
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (focused()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    look.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return focused();
}

bool WaylandPlatform::IsTopmost(WindowId)
{
    return false;
}

void WaylandPlatform::SetTopmost(WindowId, bool) {}

std::uint32_t WaylandPlatform::GetWindowProcessId(WindowId window)
{
    if (OwnWindow(window)) {
        return GetCurrentProcessId();
    }
    const auto found = Find(window);
    if (!found) {
        return 0;
    }
    // A list that tells no processes: this program's windows are known by their application id.
    if (found->pid == 0 && !found->appId.empty() && found->appId == OwnAppId()) {
        return GetCurrentProcessId();
    }
    return found->pid;
}

std::vector<WindowId> WaylandPlatform::GetTopLevelWindows()
{
    std::vector<WindowId> ids;
    if (windows_) {
        for (const wayland::Toplevel& window : windows_->Windows()) {
            ids.push_back(OfCompositor(window.id));
        }
    }
    return ids;
}

std::vector<WindowId> WaylandPlatform::GetChildWindows(WindowId, bool)
{
    return {};
}

std::string WaylandPlatform::GetWindowTitle(WindowId)
{
    // Other programs' titles are never read.
    return {};
}

bool WaylandPlatform::IsWindowVisible(WindowId window)
{
    return Find(window).has_value();
}

WindowId WaylandPlatform::GetWindowOwner(WindowId)
{
    return 0;
}

Platform::Picture WaylandPlatform::GetWindowIcon(WindowId, int)
{
    return {};
}

std::string WaylandPlatform::GetWindowClass(WindowId window)
{
    const WindowIdentity identity = GetWindowIdentity(window);
    return identity.classes.empty() ? std::string() : identity.classes.back();
}

Platform::WindowIdentity WaylandPlatform::GetWindowIdentity(WindowId window)
{
    const auto found = Find(window);
    return found ? wayland::IdentityOf(*found) : WindowIdentity{};
}

std::optional<wayland::Toplevel> WaylandPlatform::Find(WindowId window) const
{
    const auto number = CompositorNumber(window);
    return number && windows_ ? windows_->Find(*number) : std::nullopt;
}

std::string WaylandPlatform::GetWindowManagerName()
{
    // GNOME's own shortcut settings run "quorvel --show" there, as on X11.
    if (sway_) {
        return "sway";
    }
    if (kwin_) {
        return "KWin";
    }
    return IsGnomeSession() ? "GNOME Shell" : std::string();
}

bool WaylandPlatform::IsDesktopWindow(WindowId)
{
    return false;
}

} // namespace platform
