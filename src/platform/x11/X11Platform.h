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
    bool GetKeyboardState(std::uint8_t state[256]) override;
    std::int16_t GetKeyState(std::uint16_t code) override;
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
    std::string GetWindowManagerName() override;
    bool IsDesktopWindow(WindowId window) override;

private:
    // Fills keymap_ from the server unless it was read during this pass of the event loop.
    bool ReadKeymap();
    // The key mapping of the active layout; US positions without a display.
    const xkb::KeyMapping& Mapping() const override;

    std::unique_ptr<XConnection> x_;
    // Key state of the last read, by virtual-key code; valid until the next event-loop pass.
    std::array<std::uint8_t, 256> keymap_{};
    bool keymapValid_ = false;
    QTimer keymapExpiry_;
};

} // namespace platform
