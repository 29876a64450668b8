#pragma once

#include "platform/linux/LinuxSystem.h"
#include "platform/linux/XWayland.h"
#include "platform/wayland/HeldKeys.h"
#include "platform/wayland/Sources.h"

#include <memory>

class QKeyEvent;

namespace platform {

namespace xkb {
class KeyMapping;
}

namespace wayland {
class WaylandSeat;
class LayerSurface;
class SwayDesktop;
class HyprlandDesktop;
class ForeignToplevels;
class KWinWindows;
class KWinFakeInput;
class PortalShortcuts;
class GnomeShell;
class RemoteDesktop;
class XWaylandSource;
} // namespace wayland

// The platform of a Wayland session. Processes, the instance channel, folders and the shell are
// the Linux ones, the X display never opened. The keyboard layout and synthetic keys come from a
// Wayland connection of its own; the trigger and the active window from the compositor's IPC
// (sway); on GNOME the trigger from the portal's GlobalShortcuts (GNOME 48 on), the active window
// and synthetic keys from Quorvel's GNOME Shell extension, without it the active window and keys of
// XWayland's X11 windows from its X server and synthetic keys through the portal's RemoteDesktop;
// elsewhere the trigger from Hyprland's hyprctl or the portal's
// GlobalShortcuts and the active window from a KWin script (KDE Plasma) or the compositor's
// foreign-toplevel list (wlroots); held keys
// from this program's own key events, so nothing is read while another program has the keyboard.
// Where the compositor offers a layer shell, the overlay is a layer surface of the platform's.
class WaylandPlatform : public LinuxSystem
{
public:
    // Needs the QGuiApplication on its Wayland platform. openXWayland opens XWayland's display
    // where the compositor tells nothing of windows.
    explicit WaylandPlatform(XWaylandOpener openXWayland = {});
    ~WaylandPlatform() override;

    // A Wayland session with the toolkit on its Wayland platform.
    static bool IsWaylandSession();
    // XDG_CURRENT_DESKTOP names GNOME.
    static bool IsGnomeSession();

    bool CanGrabTrigger() override;
    // Every trigger of a Wayland session is the compositor's or the portal's binding.
    bool DesktopBindsTrigger() override;
    bool CanTellActiveProcess() override;
    bool CanSendInput() override;
    bool CanKeepAbove() override;
    // Quorvel's GNOME Shell extension on GNOME without sway, and whether the portal's remote
    // desktop session stands in for its keys.
    ShellExtension GetShellExtension() override;
    // From the keys this program's windows see pressed or released, and the modifiers held at
    // the keyboard's entry.
    bool WatchKeyState(std::function<void(std::uint16_t code, bool down)> onKey) override;
    bool GetKeyboardState(std::uint8_t state[256]) override;
    void SendKeyEvent(std::uint8_t code, bool keyUp) override;
    bool RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                        std::function<void()> onHotKey) override;
    void UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code) override;
    std::string GetHotKeyDescription() override;
    void WatchHotKeyDescription(std::function<void()> onChange) override;
    std::string GetTriggerConfigLine(std::uint32_t modifiers, std::uint16_t code) override;
    std::uint64_t GetKeyboardLayoutRevision() override;
    WindowId GetForegroundWindow() override;
    bool WatchForegroundWindow(std::function<void()> onChange) override;
    bool IsTaskbarWindow(WindowId window) override;
    void SetForegroundWindow(WindowId window) override;
    void FlushWindowRequests() override;
    bool IsWindowShownNormally(WindowId window) override;
    void PrepareOverlay(WindowId window) override;
    void NoteUserRequest() override;
    bool WaitUntilFocused(WindowId window, int timeoutMs) override;
    bool IsTopmost(WindowId window) override;
    void SetTopmost(WindowId window, bool topmost) override;
    std::uint32_t GetWindowProcessId(WindowId window) override;
    std::vector<WindowId> GetTopLevelWindows() override;
    std::vector<WindowId> GetChildWindows(WindowId parent, bool recursive) override;
    std::string GetWindowTitle(WindowId window) override;
    bool IsWindowVisible(WindowId window) override;
    WindowId GetWindowOwner(WindowId window) override;
    Picture GetWindowIcon(WindowId window, int size) override;
    std::string GetWindowClass(WindowId window) override;
    WindowIdentity GetWindowIdentity(WindowId window) override;
    std::string GetWindowManagerName() override;
    bool IsDesktopWindow(WindowId window) override;
    bool HasOverlaySurface() override;
    void PresentOverlay(const OverlayPicture& picture) override;
    void HideOverlaySurface() override;
    void WatchOverlaySurface(std::function<void(const OverlayPointer&)> onPointer,
                             std::function<void()> onGone) override;

private:
    class KeyEvents;

    const xkb::KeyMapping& Mapping() const override;
    // What a compositor's key binding runs: this program's "--show".
    std::vector<std::string> ShowCommand();
    std::uint16_t KeyOfEvent(const QKeyEvent& key) const;
    // Whether the program has the keyboard; the first time after it came, the held modifiers are
    // read and reported.
    bool IsActive();
    void OnKey(std::uint16_t code, bool down);
    // The compositor's window with the id; none for this program's own or an unknown one.
    std::optional<wayland::Toplevel> Find(WindowId window) const;
    // Tells the key-state watcher of a key, if one watches.
    void Report(std::uint16_t code, bool down);
    // The sources of GNOME, and of another compositor without sway's IPC.
    void OpenGnomeSources(const XWaylandOpener& openXWayland);
    void OpenDesktopSources();
    // The overlay's layer surface, its keys and pointer reported as the program's own.
    void OpenOverlaySurface();

    std::unique_ptr<wayland::WaylandSeat> seat_;
    // Where the compositor offers a layer shell, on the seat's connection.
    std::unique_ptr<wayland::LayerSurface> overlay_;
    std::function<void(const OverlayPointer&)> onOverlayPointer_;
    std::function<void()> onOverlayGone_;
    std::unique_ptr<wayland::SwayDesktop> sway_;
    // On GNOME, where Quorvel's Shell extension answers; else the portal's remote desktop.
    std::unique_ptr<wayland::GnomeShell> gnome_;
    std::unique_ptr<wayland::RemoteDesktop> remoteDesktop_;
    // Without the extension, XWayland's X11 windows.
    std::unique_ptr<XWaylandWindows> xwayland_;
    std::unique_ptr<wayland::XWaylandSource> xwaylandSource_;
    // Without sway's IPC or the extension, on the seat's connection.
    std::unique_ptr<wayland::HyprlandDesktop> hyprland_;
    std::unique_ptr<wayland::ForeignToplevels> toplevels_;
    // Without sway's IPC, on the session bus.
    std::unique_ptr<wayland::PortalShortcuts> portal_;
    std::unique_ptr<wayland::KWinWindows> kwin_;
    // On KWin, which offers no virtual keyboard, on the seat's connection.
    std::unique_ptr<wayland::KWinFakeInput> fakeInput_;
    wayland::TriggerSource* trigger_ = nullptr;
    wayland::ActiveWindowSource* windows_ = nullptr;
    wayland::InputSender* input_ = nullptr;
    std::unique_ptr<KeyEvents> keyEvents_;
    wayland::HeldKeys held_;
    std::function<void(std::uint16_t, bool)> onKey_;
    bool overlayRuleSet_ = false;
    bool enterModifiersPending_ = false;
    // The overlay's surface has the keyboard.
    bool overlayKeyboard_ = false;
};

} // namespace platform
