#include "services/ActiveWindow.h"

#include "services/Log.h"

namespace {
constexpr int PollIntervalMs = 100;
// A window manager that lost a request (the window not mapped yet) is asked again after this.
constexpr int FocusAttemptMs = 200;
constexpr int FocusAttempts = 5;
} // namespace

CActiveWindow::CActiveWindow() : timer_(PollIntervalMs, false)
{
    timer_.OnTimer = [this] { Poll(); };
    if (!platform::Get().WatchForegroundWindow([this] { Poll(); })) {
        qCInfo(lcServices) << "no foreground-window notifications: polling";
        timer_.SetEnabled(true);
    }
    Poll();
}

CActiveWindow::~CActiveWindow()
{
    platform::Get().WatchForegroundWindow(nullptr);
}

bool CActiveWindow::Restore()
{
    return ForceForegroundWindow(lastWindow_);
}

std::uint32_t CActiveWindow::GetActiveProcessId() const
{
    return lastProcessId_;
}

void CActiveWindow::Poll()
{
    auto& system = platform::Get();
    const platform::WindowId foreground = system.GetForegroundWindow();
    // No foreground window at all (a hand-over in progress, the bare desktop) is no change.
    if (foreground == 0 || foreground == lastForeground_) {
        return;
    }
    if (system.IsTaskbarWindow(foreground)) {
        return;
    }
    const std::uint32_t processId = GetWindowProcessId(foreground);
    lastForeground_ = foreground;
    if (processId == system.GetCurrentProcessId()) {
        return;
    }
    lastWindow_ = foreground;
    // Asked now, not at the next show: a window's process never changes.
    lastProcessId_ = processId;
    if (OnChange) {
        OnChange();
    }
}

bool ForceForegroundWindow(platform::WindowId window)
{
    if (window == 0) {
        return true;
    }
    auto& system = platform::Get();
    const bool lift = !system.IsTopmost(window);
    if (lift) {
        system.SetTopmost(window, true);
    }
    bool focused = system.WaitUntilFocused(window, 0);
    for (int attempt = 0; attempt < FocusAttempts && !focused; ++attempt) {
        system.SetForegroundWindow(window);
        focused = system.WaitUntilFocused(window, FocusAttemptMs);
    }
    if (lift) {
        system.SetTopmost(window, false);
    }
    return focused;
}

std::uint32_t GetWindowProcessId(platform::WindowId window)
{
    const std::uint32_t id = window ? platform::Get().GetWindowProcessId(window) : 0;
    return id ? id : 1;
}
