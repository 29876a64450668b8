#pragma once

#include "framework/Timer.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>

// Tracks the last foreground window that belongs to another program (neither the taskbar nor a
// window of this process). Follows the platform's foreground-change notifications; where the
// platform has none, polls every 100 ms.
class CActiveWindow
{
public:
    explicit CActiveWindow(platform::Platform& platform);
    ~CActiveWindow();
    CActiveWindow(const CActiveWindow&) = delete;
    CActiveWindow& operator=(const CActiveWindow&) = delete;

    // Whether the tracker polls (the platform cannot announce foreground changes).
    bool Polling() const { return timer_.Enabled(); }

    // Gives the foreground back to the last window; whether it has the focus (true when there is
    // none to give it to).
    bool Restore();
    // The process of the last window; 1 before any was seen.
    std::uint32_t GetActiveProcessId() const;
    platform::WindowId GetLastWindow() const { return lastWindow_; }

    // Called when a window of another program comes to the foreground in place of any other
    // window: another application, or the last window itself coming back after a window of this
    // program. The taskbar, docks and the bare desktop coming forward are no change. Empty is
    // skipped.
    std::function<void()> OnChange;

    // Looks at the foreground window now.
    void Poll();

private:
    platform::Platform& platform_;
    Timer timer_;
    platform::WindowId lastWindow_ = 0;
    std::uint32_t lastProcessId_ = 1;
    // The foreground window at the last look that was neither the taskbar nor the desktop,
    // whoever's it was.
    platform::WindowId lastForeground_ = 0;
};

// Makes the window the foreground window with the keyboard focus, lifting it into the topmost band
// during the hand-over. Asks again while it waits, for at most a second; whether the window got
// there (true for no window).
bool ForceForegroundWindow(platform::Platform& platform, platform::WindowId window);

// The process that owns the window; 1 when it cannot be told.
std::uint32_t GetWindowProcessId(platform::Platform& platform, platform::WindowId window);
