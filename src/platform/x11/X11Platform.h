#pragma once

#include "platform/linux/LinuxSystem.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

namespace platform {

namespace xkb {
class KeyMapping;
}
struct XConnection;

// The platform on X11: the keyboard and the windows through its own Xlib connection (XTest,
// X-Resource, XKB), the rest from LinuxSystem. Needs a QGuiApplication. Without an X display the
// X parts answer "nothing" and the rest works.
class X11Platform : public LinuxSystem
{
public:
    // Whether the constructor connects to the X display or leaves it to ConnectDisplay.
    enum class DisplayConnection
    {
        Now,
        Later,
    };
    explicit X11Platform(DisplayConnection connection = DisplayConnection::Now);
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    // Opens the X display (once); without one the X parts answer "nothing".
    void ConnectDisplay();
    // Whether the X display could be opened.
    bool HasDisplay() const;

    // Each true when the X display is open.
    bool CanGrabTrigger() override;
    bool CanTellActiveProcess() override;
    bool CanSendInput() override;
    bool CanKeepAbove() override;
    // Reads the key state every 20 ms while watched.
    bool WatchKeyState(std::function<void(std::uint16_t code, bool down)> onChange) override;
    bool GetKeyboardState(std::uint8_t state[256]) override;
    void SendKeyEvent(std::uint8_t code, bool keyUp) override;
    bool RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                        std::function<void()> onHotKey) override;
    void UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code) override;
    std::uint64_t GetKeyboardLayoutRevision() override;
    WindowId GetForegroundWindow() override;
    bool WatchForegroundWindow(std::function<void()> onChange) override;
    bool IsTaskbarWindow(WindowId window) override;
    void SetForegroundWindow(WindowId window) override;
    void FlushWindowRequests() override;
    bool IsWindowShownNormally(WindowId window) override;
    void PrepareOverlay(WindowId window) override;
    void OverlayMapped(WindowId window) override;
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
    MenuExport GetWindowMenuExport(WindowId window) override;
    std::string GetWindowManagerName() override;
    bool IsDesktopWindow(WindowId window) override;

private:
    // Fills keymap_ from the server; false while no window of this process has the focus.
    bool ReadKeymap();
    // Reports each key that went down or up since the last report to the key-state watcher.
    void ReportKeyChanges();
    // The key mapping of the active layout; US positions without a display.
    const xkb::KeyMapping& Mapping() const override;

    std::unique_ptr<XConnection> x_;
    // Key state of the last read, by virtual-key code.
    std::array<std::uint8_t, 256> keymap_{};
    // The key-state watcher, the keys it was told are down, and the timer that reads for it.
    std::function<void(std::uint16_t code, bool down)> onKeyState_;
    std::array<bool, 256> reportedKeys_{};
    // Counts the watches started, so that a report stops once its watcher is replaced.
    std::uint64_t keyWatches_ = 0;
    QTimer keyWatch_;
};

} // namespace platform
