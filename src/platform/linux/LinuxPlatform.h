#pragma once

#include "platform/Platform.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

class QLocalServer;
class QSocketNotifier;

namespace platform {

namespace x11 {
class KeyMapping;
}

// The real platform: X11 (its own Xlib connection, XTest, X-Resource), /proc, flock, a local
// socket, XDG folders and Qt's desktop services. Needs a QGuiApplication. Without an X display
// the X parts answer "nothing" and the rest works.
class LinuxPlatform : public Platform
{
public:
    // Whether the constructor connects to the X display or leaves it to ConnectDisplay.
    enum class DisplayConnection
    {
        Now,
        Later,
    };
    explicit LinuxPlatform(DisplayConnection connection = DisplayConnection::Now);
    ~LinuxPlatform() override;
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    // Opens the X display (once); without one the X parts answer "nothing".
    void ConnectDisplay();
    // Whether the X display could be opened.
    bool HasDisplay() const;

    bool GetKeyboardState(std::uint8_t state[256]) override;
    std::int16_t GetKeyState(std::uint16_t code) override;
    void SendKeyEvent(std::uint8_t code, bool keyUp) override;
    bool RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                        std::function<void()> onHotKey) override;
    void UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code) override;
    std::string GetKeyBindingName(std::uint16_t code) override;
    std::uint16_t GetKeyOfBindingName(const std::string& name) override;
    std::optional<KeyCap> GetKeyCap(std::uint16_t code) override;
    std::uint16_t GetKeyAtPosition(std::uint16_t position) override;
    std::optional<CharacterKey> GetKeyOfCharacter(char32_t character) override;
    KeyboardShape GetKeyboardShape() override;
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
    std::uint32_t GetCurrentProcessId() override;
    std::vector<std::uint32_t> EnumProcesses() override;
    std::string GetProcessModulePath(std::uint32_t processId) override;
    bool IsOwnProcess(std::uint32_t processId) override;
    std::string GetProcessDesktopId(std::uint32_t processId) override;
    std::string GetExecutablePath() override;
    int OpenNamedMutex(const std::string& name, bool& alreadyExists) override;
    void CloseNamedMutex(int handle) override;
    bool ListenForMessages(const std::string& channel, MessageHandler onMessage) override;
    bool SendMessageToFirstCopy(const std::string& channel, const std::string& message) override;
    std::optional<std::string> AskFirstCopy(const std::string& channel, const std::string& message,
                                            int timeoutMs) override;
    std::string GetSpecialFolder(SpecialFolderKind kind) override;
    bool ShellOpen(const std::string& target) override;
    bool OpenFile(const std::string& path, std::function<void()> onFailure) override;
    std::optional<std::string> RunProgram(const std::string& program,
                                          const std::vector<std::string>& arguments,
                                          int timeoutMs) override;
    void OnTerminationRequest(std::function<void()> handler) override;

private:
    struct XState;

    // Fills keymap_ from the server unless it was read during this pass of the event loop.
    bool ReadKeymap();
    // The key mapping of the active layout; US positions without a display.
    const x11::KeyMapping& Mapping() const;

    std::unique_ptr<XState> x_;
    std::unique_ptr<QLocalServer> server_;
    std::unique_ptr<QSocketNotifier> termination_;
    // Key state of the last read, by virtual-key code; valid until the next event-loop pass.
    std::array<std::uint8_t, 256> keymap_{};
    bool keymapValid_ = false;
    QTimer keymapExpiry_;
};

} // namespace platform
