#include "services/ActiveWindow.h"

#include "services/Log.h"

namespace {
constexpr int PollIntervalMs = 100;
// A window manager that lost a request (the window not mapped yet) is asked again after this.
constexpr int FocusAttemptMs = 200;
constexpr int FocusAttempts = 5;
} // namespace

CActiveWindow::CActiveWindow(platform::Platform& platform)
    : platform_(platform), timer_(PollIntervalMs, false)
{
    timer_.OnTimer = [this] { Poll(); };
    if (!platform_.WatchForegroundWindow([this] { Poll(); })) {
        qCInfo(lcServices) << "no foreground-window notifications: polling";
        timer_.SetEnabled(true);
    }
    Poll();
}

CActiveWindow::~CActiveWindow()
{
    platform_.WatchForegroundWindow(nullptr);
}

bool CActiveWindow::Restore()
{
    return ForceForegroundWindow(platform_, lastWindow_);
}

std::uint32_t CActiveWindow::GetActiveProcessId() const
{
    return lastProcessId_;
}

void CActiveWindow::Poll()
{
    const platform::WindowId foreground = platform_.GetForegroundWindow();
    // No foreground window at all (a hand-over in progress, the bare desktop) is no change.
    if (foreground == 0 || foreground == lastForeground_) {
        return;
    }
    if (platform_.IsTaskbarWindow(foreground)) {
        return;
    }
    const std::uint32_t processId = GetWindowProcessId(platform_, foreground);
    lastForeground_ = foreground;
    if (processId == platform_.GetCurrentProcessId()) {
        return;
    }
    lastWindow_ = foreground;
    // Asked now, not at the next show: a window's process never changes.
    lastProcessId_ = processId;
    if (OnChange) {
        OnChange();
    }
}

bool ForceForegroundWindow(platform::Platform& platform, platform::WindowId window)
{
    if (window == 0) {
        return true;
    }
    const bool lift = !platform.IsTopmost(window);
    if (lift) {
        platform.SetTopmost(window, true);
    }
    bool focused = platform.WaitUntilFocused(window, 0);
    for (int attempt = 0; attempt < FocusAttempts && !focused; ++attempt) {
        platform.SetForegroundWindow(window);
        focused = platform.WaitUntilFocused(window, FocusAttemptMs);
    }
    if (lift) {
        platform.SetTopmost(window, false);
    }
    return focused;
}

std::uint32_t GetWindowProcessId(platform::Platform& platform, platform::WindowId window)
{
    const std::uint32_t id = window ? platform.GetWindowProcessId(window) : 0;
    return id ? id : 1;
}
