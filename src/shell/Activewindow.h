#pragma once

#include "framework/Timer.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>

// Process-wide tracker of the last foreground window that belongs to another program (neither
// the taskbar nor a window of this process). Polls every 100 ms.
class CActiveWindow
{
public:
    static CActiveWindow& Instance();
    // Ends the tracker; the next Instance() makes a new one. Called before the timer service
    // goes away (at exit, and between tests).
    static void DestroyInstance();

    // Gives the foreground back to the last window.
    void Restore();
    std::uint32_t GetActiveProcessId();
    platform::WindowId GetLastWindow() const { return lastWindow_; }

    // Called after the last window changed; empty is skipped.
    std::function<void()> OnChange;

    void Poll();

private:
    CActiveWindow();

    std::unique_ptr<Timer> timer_;
    platform::WindowId lastWindow_ = 0;
};

// Makes the window the foreground window, lifting it into the topmost band during the hand-over.
// Tries for about 200 ms; always true.
bool ForceForegroundWindow(platform::WindowId window);

// The process that owns the window; 1 when it cannot be told.
std::uint32_t GetWindowProcessId(platform::WindowId window);
