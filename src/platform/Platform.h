#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The operating-system layer. One process-wide instance is installed at start: the real one in the
// program, the fake one in tests. Nothing above this interface names an implementation.
namespace platform {

// A top-level window of the desktop; 0 is none.
using WindowId = std::uint64_t;

// Hot-key modifier bits (as the Windows hot-key API numbers them).
constexpr std::uint32_t ModAlt = 1;
constexpr std::uint32_t ModControl = 2;
constexpr std::uint32_t ModShift = 4;
constexpr std::uint32_t ModWin = 8;

// Special folder kinds.
enum class SpecialFolderKind
{
    AppData,
    LocalSettings,
    Personal,
    CommonAppData,
    // The user's configuration folder ($XDG_CONFIG_HOME).
    Config,
};

class Platform
{
public:
    virtual ~Platform() = default;

    // --- keyboard -------------------------------------------------------------------------
    // Fills 256 bytes indexed by virtual-key code, 0x80 set for a key that is down. Refused
    // (false) while no window of this process is active, so keys typed elsewhere are never seen.
    virtual bool GetKeyboardState(std::uint8_t state[256]) = 0;
    // Negative when the key is down, as the Windows call answers.
    virtual std::int16_t GetKeyState(std::uint16_t code) = 0;
    // One synthetic key event for a virtual-key code, sent to the focused window.
    virtual void SendKeyEvent(std::uint8_t code, bool keyUp) = 0;

    // --- hot key --------------------------------------------------------------------------
    // Registers a global hot key; the callback runs on the UI thread once per press (not per
    // auto-repeat). A key another program holds is refused silently (false).
    virtual bool RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                                std::function<void()> onHotKey) = 0;
    // Releases a hot key this program registered; any other is left alone.
    virtual void UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code) = 0;
    // The name of a key as the desktop writes it in key bindings (a keysym of a US layout: "q",
    // "F1", "Return"); empty when the key has none.
    virtual std::string GetKeyBindingName(std::uint16_t code) = 0;
    // The virtual-key code of such a name, letter case ignored; 0 when unknown.
    virtual std::uint16_t GetKeyOfBindingName(const std::string& name) = 0;

    // --- windows --------------------------------------------------------------------------
    virtual WindowId GetForegroundWindow() = 0;
    // Calls onChange on the UI thread whenever the foreground window may have changed (an empty
    // callback stops the calls). False when the system cannot announce such changes: the caller
    // must then look for itself from time to time.
    virtual bool WatchForegroundWindow(std::function<void()> onChange) = 0;
    // True for panels, docks and the notification area ("the taskbar").
    virtual bool IsTaskbarWindow(WindowId window) = 0;
    // Asks the window manager to make the window active and raises it.
    virtual void SetForegroundWindow(WindowId window) = 0;
    // Sends the window requests made so far (show, move, raise) to the display server now, so
    // that the window manager works on them while the caller goes on.
    virtual void FlushWindowRequests() = 0;
    // The window is on the screen: mapped on the current desktop, neither iconified nor shaded.
    virtual bool IsWindowShownNormally(WindowId window) = 0;
    // Keeps the window out of taskbars, pagers and window lists; best before its first showing.
    virtual void KeepOffTaskbar(WindowId window) = 0;
    virtual bool IsTopmost(WindowId window) = 0;
    virtual void SetTopmost(WindowId window, bool topmost) = 0;
    // The id of the process that owns the window; 0 when it cannot be told.
    virtual std::uint32_t GetWindowProcessId(WindowId window) = 0;
    // Lets the UI thread run for a short while (events are processed) before returning.
    virtual void Wait(int milliseconds) = 0;

    // --- window enumeration ---------------------------------------------------------------
    // A picture as 32-bit ARGB pixels, row by row; empty when there is none.
    struct Picture
    {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> argb;
    };
    // The top-level windows of the desktop, front to back.
    virtual std::vector<WindowId> GetTopLevelWindows() = 0;
    // The child windows of a window, in the system's order; with recursive, each followed at
    // once by all of its own descendants.
    virtual std::vector<WindowId> GetChildWindows(WindowId parent, bool recursive) = 0;
    // The title as UTF-8; empty for a window without one or one that is gone.
    virtual std::string GetWindowTitle(WindowId window) = 0;
    // Mapped and viewable (its ancestors mapped too).
    virtual bool IsWindowVisible(WindowId window) = 0;
    // The window it belongs to (a dialog's main window); 0 when none.
    virtual WindowId GetWindowOwner(WindowId window) = 0;
    // The window's own icon closest to size x size pixels; empty when it has none.
    virtual Picture GetWindowIcon(WindowId window, int size) = 0;
    // The window's class name (as desktop entries name it in StartupWMClass); empty when none.
    virtual std::string GetWindowClass(WindowId window) = 0;
    // What a window tells of the program it belongs to.
    struct WindowIdentity
    {
        // WM_CLASS: the instance and the class name, those that are set.
        std::vector<std::string> classes;
        // The desktop entry it names (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE), as the
        // window writes it, with or without ".desktop"; empty when none.
        std::string desktopId;
    };
    // Empty for a window that is gone.
    virtual WindowIdentity GetWindowIdentity(WindowId window) = 0;
    // The desktop window and docks are no application windows.
    virtual bool IsDesktopWindow(WindowId window) = 0;
    // The name the running window manager gives itself ("Openbox"); empty when none runs.
    virtual std::string GetWindowManagerName() = 0;

    // --- processes ------------------------------------------------------------------------
    virtual std::uint32_t GetCurrentProcessId() = 0;
    // Every running process, in the order the system lists them.
    virtual std::vector<std::uint32_t> EnumProcesses() = 0;
    // Full path of the process's executable; empty on any failure.
    virtual std::string GetProcessModulePath(std::uint32_t processId) = 0;
    // The desktop entry id ("org.gnome.Meld.desktop") of the sandboxed application (Flatpak,
    // Snap) the process belongs to, from the sandbox's metadata; empty for a process outside a
    // sandbox or one that cannot be read.
    virtual std::string GetProcessDesktopId(std::uint32_t processId) = 0;
    // Full path of this program's executable.
    virtual std::string GetExecutablePath() = 0;

    // --- single instance ------------------------------------------------------------------
    // Opens the named system-wide marker. Sets alreadyExists when another process holds it.
    // Returns a handle (>= 0) or -1 when the marker could not be made at all.
    virtual int OpenNamedMutex(const std::string& name, bool& alreadyExists) = 0;
    virtual void CloseNamedMutex(int handle) = 0;
    // The first copy listens for messages from later copies; a later copy sends one, one line
    // of text, and learns whether the first copy took it. The callback runs from the event loop,
    // once per message.
    virtual bool ListenForMessages(const std::string& channel,
                                   std::function<void(const std::string&)> onMessage) = 0;
    virtual bool SendMessageToFirstCopy(const std::string& channel, const std::string& message) = 0;

    // --- settings folders -----------------------------------------------------------------
    // The folder for a kind; empty when it is not known.
    virtual std::string GetSpecialFolder(SpecialFolderKind kind) = 0;

    // --- desktop --------------------------------------------------------------------------
    // Runs a program directly (never through a shell) and gives its standard output; nullopt when
    // it could not start, failed, or did not end within timeoutMs (it is then killed).
    virtual std::optional<std::string> RunProgram(const std::string& program,
                                                  const std::vector<std::string>& arguments,
                                                  int timeoutMs) = 0;

    // --- shell ----------------------------------------------------------------------------
    // Opens a file or URL with the desktop's default handler, never through a shell.
    virtual bool ShellOpen(const std::string& target) = 0;

    // --- session --------------------------------------------------------------------------
    // Runs the handler in the event loop when the system asks the program to end (SIGTERM,
    // SIGHUP, SIGINT), in place of ending it at once.
    virtual void OnTerminationRequest(std::function<void()> handler) = 0;
};

// The installed instance. Installing replaces the previous one (not owned).
Platform& Get();
void Install(Platform* instance);

} // namespace platform
