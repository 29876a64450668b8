#pragma once

#include "platform/Platform.h"

#include <array>
#include <map>
#include <memory>
#include <set>
#include <string>

class Timer;

namespace platform {

// Deterministic, in-memory platform for tests: everything it answers is plain data that a test
// sets, and everything the program does to the system is recorded for the test to read.
class FakePlatform : public Platform
{
public:
    struct Window
    {
        std::uint32_t processId = 0;
        bool taskbar = false;
        bool topmost = false;
        // How many times the window was prepared as an overlay.
        int overlayPreparations = 0;
        // Iconified, shaded or on another desktop by the window manager.
        bool outOfSight = false;
        std::string title{};
        bool visible = true;
        WindowId owner = 0;
        // 0 for a top-level window.
        WindowId parent = 0;
        Picture icon{};
        std::string windowClass{};
        bool desktop = false;
        // Empty: the class alone.
        WindowIdentity identity{};
    };
    struct KeyEvent
    {
        std::uint8_t code;
        bool keyUp;
        bool operator==(const KeyEvent&) const = default;
    };
    struct HotKey
    {
        std::uint32_t modifiers;
        std::uint16_t code;
        std::function<void()> callback;
    };

    FakePlatform();
    ~FakePlatform() override;

    // Installs this fake as the process-wide platform for its lifetime.
    void InstallAsCurrent();

    // --- what the tests set -------------------------------------------------------------
    // What the platform says it can do; every answer true unless a test sets it.
    bool canGrabTrigger = true;
    bool canTellActiveProcess = true;
    bool canSendInput = true;
    bool canKeepAbove = true;
    // The trigger is grabbed, not the desktop's own binding, unless a test says otherwise.
    bool desktopBindsTrigger = false;
    // The desktop's name for the registered hot key; empty: none.
    std::string hotKeyDescription;
    // Called by a test where the desktop renames the hot key.
    std::function<void()> hotKeyDescriptionWatch;
    // No shell extension applies unless a test names one.
    ShellExtension shellExtension;
    // What GetTriggerConfigLine answers for every key.
    std::string triggerConfigLine;
    // The overlay's surface, offered when set: each picture presented (its pixels copied), how
    // often it was hidden, and the watcher's callbacks, through which a test plays its input.
    bool hasOverlaySurface = false;
    struct PresentedOverlay
    {
        int width = 0;
        int height = 0;
        int scale = 1;
        std::vector<std::uint32_t> pixels;
        // The pixel at x, y of the picture, without its alpha.
        std::uint32_t At(int x, int y) const { return pixels.at(y * width + x) & 0xFFFFFF; }
    };
    std::vector<PresentedOverlay> presentedOverlays;
    int overlayHides = 0;
    std::function<void(const OverlayPointer&)> overlayPointer;
    std::function<void()> overlayGone;
    std::array<std::uint8_t, 256> keyState{};
    // False: another program has the keyboard; key state is neither read nor reported.
    bool keyboardReadAllowed = true;
    // Whether key-state events are offered; they report keyState's changes every 20 ms of fake
    // time, as the X11 backend does.
    bool watchesKeyState = true;
    std::map<WindowId, Window> windows;
    // The top-level windows front to back; empty: every window without a parent, by id.
    std::vector<WindowId> stacking;
    WindowId foregroundWindow = 0;
    // Whether SetForegroundWindow really moves the foreground (a window manager may refuse).
    bool foregroundRequestsSucceed = true;
    std::uint32_t currentProcessId = 1000;
    std::vector<std::pair<std::uint32_t, std::string>> processes;
    // Processes of other users; every other one is the user's own.
    std::set<std::uint32_t> othersProcesses;
    // The desktop ids of sandboxed processes, by process id.
    std::map<std::uint32_t, std::string> processDesktopIds;
    std::string executablePath = "/opt/quorvel/quorvel";
    std::map<SpecialFolderKind, std::string> specialFolders;
    bool shellOpenSucceeds = true;
    bool hotKeyTaken = false;
    // False: no private place for the instance marker (it cannot be made).
    bool runtimeFolderUsable = true;
    // Whether foreground changes are announced (a window manager that sets _NET_ACTIVE_WINDOW).
    bool announcesForeground = true;
    // Hot keys another program holds: registering one of them is refused.
    std::vector<std::pair<std::uint32_t, std::uint16_t>> hotKeysTaken;
    std::string windowManagerName;
    // The keyboard layout: caps of the keys that have one (none: US names), the key at a US
    // position where it differs, the keys that type characters, the keyboard's shape and the
    // layout's revision.
    std::map<std::uint16_t, KeyCap> keyCaps;
    std::map<std::uint16_t, std::uint16_t> keyPositions;
    std::map<char32_t, CharacterKey> characterKeys;
    KeyboardShape keyboardShape = KeyboardShape::Iso;
    std::uint64_t keyboardLayoutRevision = 0;
    // Plays the programs RunProgram starts: given the program and its arguments, its output or
    // nullopt for a failure. Unset: every program fails.
    std::function<std::optional<std::string>(const std::string&, const std::vector<std::string>&)>
        programs;

    // --- what the tests read ------------------------------------------------------------
    std::vector<KeyEvent> sentKeys;
    // The key-state watcher; empty while none is.
    std::function<void(std::uint16_t code, bool down)> keyStateWatcher;
    // Key-state reads asked while another program's window was in front.
    int readsElsewhere = 0;
    std::vector<WindowId> foregroundRequests;
    int windowFlushes = 0;
    std::vector<std::string> openedTargets;
    // What OpenFile was told to run when the opened file's handler fails.
    std::function<void()> openFailure;
    // What the program asked to run when the system tells it to end.
    std::function<void()> terminationHandler;
    std::vector<HotKey> hotKeys;
    // The time-out of each WaitUntilFocused.
    std::vector<int> focusWaits;
    // Runs in each WaitUntilFocused, as the events a real wait lets through would.
    std::function<void()> duringFocusWait;
    int userRequests = 0;
    // XDG_ACTIVATION_TOKEN at each NoteUserRequest, empty where unset.
    std::vector<std::string> activationTokens;
    std::map<std::string, MessageHandler> listeners;
    std::function<void()> foregroundWatcher;
    std::vector<std::pair<std::string, std::string>> sentMessages;
    // Each program run: its name followed by its arguments.
    std::vector<std::vector<std::string>> ranPrograms;
    // Names of the named mutexes held, shared by every fake in the process (as the system's are).
    static std::multiset<std::string>& HeldMutexes();

    // Sets or clears the 0x80 bit of one key.
    void SetKeyDown(std::uint16_t code, bool down);
    // Runs the callback of the registered hot key, as a press would.
    void PressHotKey();
    // Makes the window the foreground window and announces it, as a window manager would.
    void ActivateWindow(WindowId window);

    bool CanGrabTrigger() override { return canGrabTrigger; }
    bool CanTellActiveProcess() override { return canTellActiveProcess; }
    bool CanSendInput() override { return canSendInput; }
    ShellExtension GetShellExtension() override { return shellExtension; }
    bool HasOverlaySurface() override { return hasOverlaySurface; }
    void PresentOverlay(const OverlayPicture& picture) override;
    void HideOverlaySurface() override { ++overlayHides; }
    void WatchOverlaySurface(std::function<void(const OverlayPointer&)> onPointer,
                             std::function<void()> onGone) override
    {
        overlayPointer = std::move(onPointer);
        overlayGone = std::move(onGone);
    }
    bool DesktopBindsTrigger() override { return desktopBindsTrigger; }
    bool CanKeepAbove() override { return canKeepAbove; }
    bool WatchKeyState(std::function<void(std::uint16_t code, bool down)> onChange) override;
    bool GetKeyboardState(std::uint8_t state[256]) override;
    void SendKeyEvent(std::uint8_t code, bool keyUp) override;
    bool RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                        std::function<void()> onHotKey) override;
    void UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code) override;
    std::string GetHotKeyDescription() override { return hotKeyDescription; }
    void WatchHotKeyDescription(std::function<void()> onChange) override
    {
        hotKeyDescriptionWatch = std::move(onChange);
    }
    std::string GetTriggerConfigLine(std::uint32_t, std::uint16_t) override
    {
        return triggerConfigLine;
    }
    // Letters, digits and F1..F24 only, as a US keymap names them.
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
    // Focused at once when the window is the foreground window; never otherwise.
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
    // The listener's answer when it replies within the timeout, its event loop running
    // meanwhile; nullopt otherwise.
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
    void CountReadElsewhere();
    // Reports each key of keyState that went down or up since the last report.
    void ReportKeyChanges();

    // Made when first watched: the fake is made before the fake time.
    std::unique_ptr<Timer> keyWatch_;
    std::array<bool, 256> reportedKeys_{};

    std::map<int, std::string> openMutexes_;
    int nextMutexHandle_ = 1;
};

} // namespace platform
