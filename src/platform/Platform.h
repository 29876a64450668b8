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
    // The user's cache folder ($XDG_CACHE_HOME).
    Cache,
};

// What the key cap of a letter, digit or punctuation key shows in the active keyboard layout.
struct KeyCap
{
    // What the key types, letters in upper case ("Z", "Ö", "1", "#"); empty for a key that types
    // nothing.
    std::string label;
    // While a group without Latin letters is active, what the key types in it ("Я"); else empty.
    std::string groupLabel;
    // What the key types with Shift where a cap prints it apart from label ("£" on the UK 3 key,
    // "/" on the German 7); empty for letters and where Shift types the label or nothing.
    std::string shiftLabel;
    bool operator==(const KeyCap&) const = default;
};

// The key that types a character in the active layout, and whether it takes Shift to type it.
struct CharacterKey
{
    std::uint16_t code = 0;
    bool shift = false;
    bool operator==(const CharacterKey&) const = default;
};

// The shape of the main block: ANSI (no key beside left Shift, straight Enter) or ISO (a key
// beside left Shift, L-shaped Enter).
enum class KeyboardShape
{
    Ansi,
    Iso,
};

class Platform
{
public:
    virtual ~Platform() = default;

    // --- capabilities ---------------------------------------------------------------------
    // What this platform can do on this desktop; the program leaves out, or words otherwise,
    // what it cannot. Each answer holds for the whole run, but CanSendInput's, which turns false
    // where the user refuses or ends the desktop's permission for synthetic keys.
    // Whether RegisterHotKey can grab a key for the whole desktop (else the desktop's own key
    // bindings must run the program).
    virtual bool CanGrabTrigger() = 0;
    // Whether the key RegisterHotKey takes is a binding of the desktop's own (the compositor's,
    // the desktop portal's), which a window manager that holds the Windows key does not block
    // as it blocks a grab.
    virtual bool DesktopBindsTrigger();
    // Whether the foreground window, and the process that owns it, can be told.
    virtual bool CanTellActiveProcess() = 0;
    // Whether SendKeyEvent reaches the focused window.
    virtual bool CanSendInput() = 0;
    // Whether SetTopmost can keep a window above the others.
    virtual bool CanKeepAbove() = 0;
    // This program's extension of the desktop's shell, where the desktop needs one for the active
    // window and synthetic keys (GNOME Shell on Wayland): its name for the desktop's tools and
    // whether it answered at start. The name is empty where none applies.
    struct ShellExtension
    {
        std::string uuid;
        bool active = false;
        // Without it, synthetic keys go through the desktop portal's remote desktop session,
        // which the desktop asks the user to allow.
        bool remoteDesktop = false;
        // Without it, X11 windows (XWayland) are known and take synthetic keys all the same.
        bool x11Windows = false;
    };
    virtual ShellExtension GetShellExtension();

    // --- keyboard -------------------------------------------------------------------------
    // Calls onChange on the UI thread for each key (virtual-key code: the side codes of Shift,
    // Ctrl, Alt and the Windows keys, never their common codes; mouse buttons too) going down or
    // up while a window of this process is active. When one becomes active, or the watch starts
    // while one is, the keys already down come first. While none is active nothing is reported,
    // so keys typed elsewhere are never seen: a key may go up unseen then, and one still down is
    // reported down again once a window of this process is active again. An empty callback stops
    // the calls; false when the platform cannot tell keys this way.
    virtual bool WatchKeyState(std::function<void(std::uint16_t code, bool down)> onChange) = 0;
    // Fills 256 bytes indexed by virtual-key code, 0x80 set for a key that is down. Refused
    // (false) while no window of this process is active, so keys typed elsewhere are never seen.
    virtual bool GetKeyboardState(std::uint8_t state[256]) = 0;
    // One synthetic key event for a virtual-key code, sent to the focused window as it is: nothing
    // is read first. A press of a key that is down already may be dropped; the caller, who knows
    // which keys are held, releases such a key first.
    virtual void SendKeyEvent(std::uint8_t code, bool keyUp) = 0;

    // --- hot key --------------------------------------------------------------------------
    // Registers a global hot key; the callback runs on the UI thread once per press (not per
    // auto-repeat). A key another program holds is refused silently (false).
    virtual bool RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                                std::function<void()> onHotKey) = 0;
    // Releases a hot key this program registered; any other is left alone.
    virtual void UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code) = 0;
    // The registered hot key as the desktop names it, where the desktop owns the key and may
    // have put another in its place; empty where the program's own name for it holds.
    virtual std::string GetHotKeyDescription();
    // Calls onChange on the UI thread when the desktop gives the registered hot key another key
    // (the user changed it in the desktop's settings); an empty callback stops the calls. Where
    // the desktop cannot, nothing is called.
    virtual void WatchHotKeyDescription(std::function<void()> onChange);
    // Where RegisterHotKey binds the key in the compositor only until it restarts: the line of
    // its configuration file that binds it for good. Empty elsewhere.
    virtual std::string GetTriggerConfigLine(std::uint32_t modifiers, std::uint16_t code);
    // The name of a key as the desktop writes it in key bindings (a keysym of a US layout: "q",
    // "F1", "Return"); empty when the key has none.
    virtual std::string GetKeyBindingName(std::uint16_t code) = 0;
    // The virtual-key code of such a name, letter case ignored; 0 when unknown.
    virtual std::uint16_t GetKeyOfBindingName(const std::string& name) = 0;

    // --- keyboard layout ------------------------------------------------------------------
    // Key codes follow the active layout: a letter or digit key's code is the letter or digit it
    // types. What follows answers from the layout as last read; it changes only when the layout
    // does, never while the overlay is painted.
    // What a letter, digit or punctuation key shows; none when the platform does not know the
    // layout (the key is then named as on a US keyboard).
    virtual std::optional<KeyCap> GetKeyCap(std::uint16_t code);
    // The code of the key that lies where a US keyboard has the key of code position; 0 when the
    // layout has none there.
    virtual std::uint16_t GetKeyAtPosition(std::uint16_t position);
    // The key of the main block that types a Unicode character, without Shift where one does;
    // none when the layout types it only otherwise (AltGr) or not at all, or is not known.
    virtual std::optional<CharacterKey> GetKeyOfCharacter(char32_t character);
    // The shape of the user's keyboard as the layout suggests it; ANSI when it cannot be told.
    virtual KeyboardShape GetKeyboardShape();
    // A number that changes whenever the layout (or its active group) has changed.
    virtual std::uint64_t GetKeyboardLayoutRevision();

    // --- windows --------------------------------------------------------------------------
    // The window the window manager names active; 0 when none is or it cannot be told.
    virtual WindowId GetForegroundWindow() = 0;
    // Calls onChange on the UI thread whenever the foreground window may have changed (an empty
    // callback stops the calls). False when the system cannot announce such changes: the caller
    // must then look for itself from time to time.
    virtual bool WatchForegroundWindow(std::function<void()> onChange) = 0;
    // True for panels, docks and the notification area ("the taskbar").
    virtual bool IsTaskbarWindow(WindowId window) = 0;
    // Asks the window manager to make the window active and raises it. The request carries the
    // time of the user's latest request (see NoteUserRequest): a window manager refuses one older
    // than the user's last input elsewhere.
    virtual void SetForegroundWindow(WindowId window) = 0;
    // Takes the present moment as the time of the user's latest request, for a request that came
    // by a command or a menu. A press of the hot key counts by itself, with its own time.
    virtual void NoteUserRequest() = 0;
    // Runs the event loop until the window is the foreground window and holds the keyboard focus,
    // as the system announces them, or until timeoutMs has passed; whether it got there.
    virtual bool WaitUntilFocused(WindowId window, int timeoutMs) = 0;
    // Sends the window requests made so far (show, move, raise) to the display server now, so
    // that the window manager works on them while the caller goes on.
    virtual void FlushWindowRequests() = 0;
    // The window is on the screen: mapped on the current desktop, neither iconified nor shaded.
    virtual bool IsWindowShownNormally(WindowId window) = 0;
    // Asks the window manager to show the window, at its next showing, as an overlay: out of
    // taskbars, pagers and window lists, with no title bar or frame. Window managers forget such
    // wishes when a window is hidden: called before every showing, while the window is hidden.
    virtual void PrepareOverlay(WindowId window) = 0;
    // Called once the request that shows the overlay has been sent. A window manager that frames
    // every window it manages, whatever the window asks for, is asked to leave this one bare.
    virtual void OverlayMapped(WindowId window);
    // Whether the window manager keeps the window above the others.
    virtual bool IsTopmost(WindowId window) = 0;
    // Asks the window manager to keep the window above the others, or to stop doing so.
    virtual void SetTopmost(WindowId window, bool topmost) = 0;
    // The id of the process that owns the window; 0 when it cannot be told.
    virtual std::uint32_t GetWindowProcessId(WindowId window) = 0;

    // --- the overlay on a surface of the platform's own -------------------------------------
    // Whether the overlay is drawn onto a surface of the platform's, above every window and with
    // the keyboard while shown, instead of shown as a window of the program's.
    virtual bool HasOverlaySurface();
    // The overlay drawn: rows of premultiplied ARGB pixels (stride bytes apart), scale device
    // pixels to a point of the screen.
    struct OverlayPicture
    {
        const std::uint32_t* pixels = nullptr;
        int width = 0;
        int height = 0;
        int stride = 0;
        int scale = 1;
    };
    // Shows the surface with the picture, or shows the picture on it. While it has the keyboard,
    // the key state is that of its own key events.
    virtual void PresentOverlay(const OverlayPicture& picture);
    virtual void HideOverlaySurface();
    // Pointer input on the surface, in points from its top left corner.
    struct OverlayPointer
    {
        enum class Kind
        {
            Move,
            Press,
            Release,
            Leave
        };
        Kind kind = Kind::Move;
        int x = 0;
        int y = 0;
        // Press and Release: vk::LButton, RButton or MButton.
        std::uint16_t button = 0;
    };
    // onPointer: the pointer's input on the surface; onGone: the surface lost the keyboard or the
    // compositor took it away while shown.
    virtual void WatchOverlaySurface(std::function<void(const OverlayPointer&)> onPointer,
                                     std::function<void()> onGone);

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
    // Whether the window is mapped and viewable (its ancestors mapped too).
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
    // What the window tells of its program; empty for a window that is gone.
    virtual WindowIdentity GetWindowIdentity(WindowId window) = 0;
    // Where a window's program exports its menus on the session bus: GTK names its connection and
    // the menus' object paths in the window properties _GTK_UNIQUE_BUS_NAME,
    // _GTK_MENUBAR_OBJECT_PATH and _GTK_APP_MENU_OBJECT_PATH (gtk/gtkapplicationwindow.c).
    struct MenuExport
    {
        std::string busName;
        std::vector<std::string> objectPaths;
    };
    // Empty for a window that exports none, and where the platform cannot tell.
    virtual MenuExport GetWindowMenuExport(WindowId window);
    // True for the desktop window and docks: windows of no application.
    virtual bool IsDesktopWindow(WindowId window) = 0;
    // The name the running window manager gives itself ("Openbox"); empty when none runs.
    virtual std::string GetWindowManagerName() = 0;

    // --- processes ------------------------------------------------------------------------
    // The id of this program's process.
    virtual std::uint32_t GetCurrentProcessId() = 0;
    // Every running process, in the order the system lists them.
    virtual std::vector<std::uint32_t> EnumProcesses() = 0;
    // Full path of the process's executable; empty on any failure.
    virtual std::string GetProcessModulePath(std::uint32_t processId) = 0;
    // Whether the process runs as the user this program runs as; false when it cannot be told.
    virtual bool IsOwnProcess(std::uint32_t processId) = 0;
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
    // Lets go of a marker OpenNamedMutex opened; a later copy may then take it.
    virtual void CloseNamedMutex(int handle) = 0;
    // The first copy listens for messages from later copies; a later copy sends one, one line
    // of text, and learns whether the first copy took it. The callback runs from the event loop,
    // once per message, with a reply: called once, now or later, it sends an answer (any text)
    // back to a copy that asked and still waits; it does nothing for one that did not ask.
    using MessageReply = std::function<void(const std::string& answer)>;
    using MessageHandler = std::function<void(const std::string& message, MessageReply reply)>;
    // Starts listening on the channel as the first copy; false when it cannot.
    virtual bool ListenForMessages(const std::string& channel, MessageHandler onMessage) = 0;
    // Sends a message to the copy listening on the channel; false when none took it.
    virtual bool SendMessageToFirstCopy(const std::string& channel, const std::string& message) = 0;
    // Sends a message and waits up to timeoutMs for the first copy's answer; nullopt when no copy
    // took the message or none answered in time.
    virtual std::optional<std::string> AskFirstCopy(const std::string& channel,
                                                    const std::string& message, int timeoutMs) = 0;

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
    // Opens a local file with the desktop's default handler, never through a shell: false when no
    // handler could be started. onFailure runs later, in the event loop, when the handler started
    // but found no application to open the file with.
    virtual bool OpenFile(const std::string& path, std::function<void()> onFailure) = 0;

    // --- session --------------------------------------------------------------------------
    // Runs the handler in the event loop when the system asks the program to end (SIGTERM,
    // SIGHUP, SIGINT), in place of ending it at once.
    virtual void OnTerminationRequest(std::function<void()> handler) = 0;
};

// The process-wide instance, installed by the composition root (main) and by the tests' fake
// platform. Objects are handed the platform they use; only the helpers called from everywhere
// (special folders, the executable's folder, key names) read the installed one. Installing
// replaces the previous one (not owned).
Platform& Get();
// The installed instance; null while none is.
Platform* Installed();
void Install(Platform* instance);

} // namespace platform
