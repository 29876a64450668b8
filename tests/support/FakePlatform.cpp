#include "FakePlatform.h"

#include "framework/Timer.h"
#include "platform/VirtualKeys.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <utility>

namespace platform {

FakePlatform::FakePlatform() = default;

FakePlatform::~FakePlatform()
{
    if (Installed() == this) {
        Install(nullptr);
    }
    for (const auto& [handle, name] : openMutexes_) {
        auto& held = HeldMutexes();
        if (auto it = held.find(name); it != held.end()) {
            held.erase(it);
        }
    }
    Install(nullptr);
}

void FakePlatform::InstallAsCurrent()
{
    Install(this);
}

std::multiset<std::string>& FakePlatform::HeldMutexes()
{
    static std::multiset<std::string> held;
    return held;
}

void FakePlatform::SetKeyDown(std::uint16_t code, bool down)
{
    if (code < keyState.size()) {
        keyState[code] = down ? 0x80 : 0;
    }
}

void FakePlatform::PressHotKey()
{
    for (const auto& hotKey : hotKeys) {
        if (hotKey.callback) {
            hotKey.callback();
        }
    }
}

void FakePlatform::CountReadElsewhere()
{
    const auto front = windows.find(foregroundWindow);
    if (front != windows.end() && front->second.processId != currentProcessId) {
        ++readsElsewhere;
    }
}

bool FakePlatform::WatchKeyState(std::function<void(std::uint16_t code, bool down)> onChange)
{
    reportedKeys_.fill(false);
    keyStateWatcher = watchesKeyState ? std::move(onChange) : nullptr;
    // Stopped, never destroyed: a watcher may stop the watch from inside a report.
    if (keyWatch_) {
        keyWatch_->SetEnabled(false);
    }
    if (!keyStateWatcher) {
        return watchesKeyState;
    }
    if (!keyWatch_) {
        keyWatch_ = std::make_unique<Timer>(20, false);
        keyWatch_->OnTimer = [this] { ReportKeyChanges(); };
    }
    keyWatch_->SetEnabled(true);
    return true;
}

void FakePlatform::ReportKeyChanges()
{
    if (!keyboardReadAllowed) {
        reportedKeys_.fill(false);
        return;
    }
    for (std::uint16_t code = 0; code < keyState.size() && keyStateWatcher; ++code) {
        // The common Shift, Ctrl and Alt codes stand for their sides, which are reported.
        const bool common = code == vk::Shift || code == vk::Control || code == vk::Menu;
        const bool down = !common && (keyState[code] & 0x80) != 0;
        if (down != reportedKeys_[code]) {
            reportedKeys_[code] = down;
            const auto watcher = keyStateWatcher;
            watcher(code, down);
        }
    }
}

bool FakePlatform::GetKeyboardState(std::uint8_t state[256])
{
    CountReadElsewhere();
    if (!keyboardReadAllowed) {
        return false;
    }
    std::copy(keyState.begin(), keyState.end(), state);
    return true;
}

void FakePlatform::SendKeyEvent(std::uint8_t code, bool keyUp)
{
    sentKeys.push_back({code, keyUp});
}

bool FakePlatform::RegisterHotKey(std::uint32_t modifiers, std::uint16_t code,
                                  std::function<void()> onHotKey)
{
    const std::pair<std::uint32_t, std::uint16_t> key{modifiers, code};
    if (hotKeyTaken ||
        std::find(hotKeysTaken.begin(), hotKeysTaken.end(), key) != hotKeysTaken.end()) {
        return false;
    }
    hotKeys.push_back({modifiers, code, std::move(onHotKey)});
    return true;
}

void FakePlatform::UnregisterHotKey(std::uint32_t modifiers, std::uint16_t code)
{
    const auto registered = std::find_if(hotKeys.begin(), hotKeys.end(), [&](const HotKey& key) {
        return key.modifiers == modifiers && key.code == code;
    });
    if (registered != hotKeys.end()) {
        hotKeys.erase(registered);
    }
}

std::string FakePlatform::GetKeyBindingName(std::uint16_t code)
{
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) {
        return std::string(1, static_cast<char>(std::tolower(code)));
    }
    if (code >= 0x70 && code <= 0x87) {
        return std::string("F").append(std::to_string(code - 0x70 + 1));
    }
    return {};
}

std::uint16_t FakePlatform::GetKeyOfBindingName(const std::string& name)
{
    for (std::uint16_t code = 1; code < 256; ++code) {
        const std::string known = GetKeyBindingName(code);
        if (!known.empty() && known.size() == name.size() &&
            std::equal(known.begin(), known.end(), name.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
            return code;
        }
    }
    return 0;
}

std::optional<KeyCap> FakePlatform::GetKeyCap(std::uint16_t code)
{
    const auto found = keyCaps.find(code);
    return found == keyCaps.end() ? std::nullopt : std::optional<KeyCap>(found->second);
}

std::uint16_t FakePlatform::GetKeyAtPosition(std::uint16_t position)
{
    const auto found = keyPositions.find(position);
    return found == keyPositions.end() ? position : found->second;
}

std::optional<CharacterKey> FakePlatform::GetKeyOfCharacter(char32_t character)
{
    const auto found = characterKeys.find(character);
    return found == characterKeys.end() ? std::nullopt : std::optional<CharacterKey>(found->second);
}

KeyboardShape FakePlatform::GetKeyboardShape()
{
    return keyboardShape;
}

std::uint64_t FakePlatform::GetKeyboardLayoutRevision()
{
    return keyboardLayoutRevision;
}

WindowId FakePlatform::GetForegroundWindow()
{
    return foregroundWindow;
}

bool FakePlatform::WatchForegroundWindow(std::function<void()> onChange)
{
    if (!announcesForeground) {
        return false;
    }
    foregroundWatcher = std::move(onChange);
    return true;
}

void FakePlatform::ActivateWindow(WindowId window)
{
    foregroundWindow = window;
    if (foregroundWatcher) {
        foregroundWatcher();
    }
}

bool FakePlatform::IsTaskbarWindow(WindowId window)
{
    auto it = windows.find(window);
    return it != windows.end() && it->second.taskbar;
}

void FakePlatform::SetForegroundWindow(WindowId window)
{
    foregroundRequests.push_back(window);
    if (foregroundRequestsSucceed) {
        foregroundWindow = window;
    }
}

void FakePlatform::FlushWindowRequests()
{
    ++windowFlushes;
}

bool FakePlatform::IsWindowShownNormally(WindowId window)
{
    const auto found = windows.find(window);
    return found == windows.end() || !found->second.outOfSight;
}

void FakePlatform::PrepareOverlay(WindowId window)
{
    ++windows[window].overlayPreparations;
}

void FakePlatform::NoteUserRequest()
{
    ++userRequests;
    // The activation token the toolkit would take for this request's activation.
    const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
    activationTokens.emplace_back(token ? token : "");
}

bool FakePlatform::WaitUntilFocused(WindowId window, int timeoutMs)
{
    focusWaits.push_back(timeoutMs);
    if (duringFocusWait) {
        duringFocusWait();
    }
    return foregroundWindow == window;
}

bool FakePlatform::IsTopmost(WindowId window)
{
    auto it = windows.find(window);
    return it != windows.end() && it->second.topmost;
}

void FakePlatform::SetTopmost(WindowId window, bool topmost)
{
    windows[window].topmost = topmost;
}

std::uint32_t FakePlatform::GetWindowProcessId(WindowId window)
{
    auto it = windows.find(window);
    return it == windows.end() ? 0 : it->second.processId;
}

std::vector<WindowId> FakePlatform::GetTopLevelWindows()
{
    if (!stacking.empty()) {
        return stacking;
    }
    std::vector<WindowId> topLevel;
    for (const auto& [id, window] : windows) {
        if (window.parent == 0) {
            topLevel.push_back(id);
        }
    }
    return topLevel;
}

std::vector<WindowId> FakePlatform::GetChildWindows(WindowId parent, bool recursive)
{
    std::vector<WindowId> children;
    for (const auto& [id, window] : windows) {
        if (window.parent != parent || parent == 0) {
            continue;
        }
        children.push_back(id);
        if (recursive) {
            const auto below = GetChildWindows(id, true);
            children.insert(children.end(), below.begin(), below.end());
        }
    }
    return children;
}

namespace {
template <typename Value>
Value Of(const std::map<WindowId, FakePlatform::Window>& windows, WindowId window,
         Value FakePlatform::Window::*member)
{
    const auto found = windows.find(window);
    return found == windows.end() ? Value{} : found->second.*member;
}
} // namespace

std::string FakePlatform::GetWindowTitle(WindowId window)
{
    return Of(windows, window, &Window::title);
}

bool FakePlatform::IsWindowVisible(WindowId window)
{
    return Of(windows, window, &Window::visible);
}

WindowId FakePlatform::GetWindowOwner(WindowId window)
{
    return Of(windows, window, &Window::owner);
}

Platform::Picture FakePlatform::GetWindowIcon(WindowId window, int)
{
    return Of(windows, window, &Window::icon);
}

std::string FakePlatform::GetWindowClass(WindowId window)
{
    return Of(windows, window, &Window::windowClass);
}

Platform::WindowIdentity FakePlatform::GetWindowIdentity(WindowId window)
{
    const auto found = windows.find(window);
    if (found == windows.end()) {
        return {};
    }
    const Window& entry = found->second;
    if (entry.identity.classes.empty() && entry.identity.desktopId.empty() &&
        !entry.windowClass.empty()) {
        return {{entry.windowClass}, {}};
    }
    return entry.identity;
}

bool FakePlatform::IsDesktopWindow(WindowId window)
{
    return Of(windows, window, &Window::desktop);
}

std::uint32_t FakePlatform::GetCurrentProcessId()
{
    return currentProcessId;
}

std::vector<std::uint32_t> FakePlatform::EnumProcesses()
{
    std::vector<std::uint32_t> ids;
    ids.reserve(processes.size());
    for (const auto& process : processes) {
        ids.push_back(process.first);
    }
    return ids;
}

std::string FakePlatform::GetProcessDesktopId(std::uint32_t processId)
{
    const auto found = processDesktopIds.find(processId);
    return found == processDesktopIds.end() ? std::string() : found->second;
}

std::string FakePlatform::GetProcessModulePath(std::uint32_t processId)
{
    for (const auto& [id, path] : processes) {
        if (id == processId) {
            return path;
        }
    }
    return {};
}

bool FakePlatform::IsOwnProcess(std::uint32_t processId)
{
    return othersProcesses.count(processId) == 0;
}

std::string FakePlatform::GetExecutablePath()
{
    return executablePath;
}

int FakePlatform::OpenNamedMutex(const std::string& name, bool& alreadyExists)
{
    alreadyExists = false;
    if (!runtimeFolderUsable) {
        return -1;
    }
    auto& held = HeldMutexes();
    alreadyExists = held.count(name) > 0;
    held.insert(name);
    const int handle = nextMutexHandle_++;
    openMutexes_[handle] = name;
    return handle;
}

void FakePlatform::CloseNamedMutex(int handle)
{
    auto it = openMutexes_.find(handle);
    if (it == openMutexes_.end()) {
        return;
    }
    auto& held = HeldMutexes();
    if (auto h = held.find(it->second); h != held.end()) {
        held.erase(h);
    }
    openMutexes_.erase(it);
}

bool FakePlatform::ListenForMessages(const std::string& channel, MessageHandler onMessage)
{
    listeners[channel] = std::move(onMessage);
    return true;
}

bool FakePlatform::SendMessageToFirstCopy(const std::string& channel, const std::string& message)
{
    sentMessages.emplace_back(channel, message);
    if (auto it = listeners.find(channel); it != listeners.end() && it->second) {
        it->second(message, [](const std::string&) {});
        return true;
    }
    return false;
}

std::optional<std::string> FakePlatform::AskFirstCopy(const std::string& channel,
                                                      const std::string& message, int timeoutMs)
{
    sentMessages.emplace_back(channel, message);
    const auto it = listeners.find(channel);
    if (it == listeners.end() || !it->second) {
        return std::nullopt;
    }
    // The answer counts only while the asker waits: a late one finds the asker gone.
    auto answer = std::make_shared<std::optional<std::string>>();
    auto waiting = std::make_shared<bool>(true);
    it->second(message, [answer, waiting](const std::string& text) {
        if (*waiting) {
            *answer = text;
        }
    });
    // The first copy may answer later, from its event loop (after a worker's read, say).
    const QDeadlineTimer deadline(timeoutMs);
    while (!*answer && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    *waiting = false;
    return *answer;
}

std::string FakePlatform::GetWindowManagerName()
{
    return windowManagerName;
}

std::string FakePlatform::GetSpecialFolder(SpecialFolderKind kind)
{
    auto it = specialFolders.find(kind);
    return it == specialFolders.end() ? std::string() : it->second;
}

bool FakePlatform::ShellOpen(const std::string& target)
{
    openedTargets.push_back(target);
    return shellOpenSucceeds;
}

bool FakePlatform::OpenFile(const std::string& path, std::function<void()> onFailure)
{
    openedTargets.push_back(path);
    openFailure = std::move(onFailure);
    return shellOpenSucceeds;
}

std::optional<std::string> FakePlatform::RunProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments, int)
{
    std::vector<std::string> run{program};
    run.insert(run.end(), arguments.begin(), arguments.end());
    ranPrograms.push_back(run);
    return programs ? programs(program, arguments) : std::nullopt;
}

void FakePlatform::OnTerminationRequest(std::function<void()> handler)
{
    terminationHandler = std::move(handler);
}

void FakePlatform::PresentOverlay(const OverlayPicture& picture)
{
    PresentedOverlay presented{picture.width, picture.height, picture.scale, {}};
    for (int row = 0; row < picture.height; ++row) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(
            reinterpret_cast<const char*>(picture.pixels) + std::ptrdiff_t(row) * picture.stride);
        presented.pixels.insert(presented.pixels.end(), line, line + picture.width);
    }
    presentedOverlays.push_back(std::move(presented));
}

} // namespace platform
