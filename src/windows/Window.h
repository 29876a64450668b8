#pragma once

#include "platform/Platform.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

struct DesktopEntry;

// The windows of a parent, in the system's order (parent 0: the top-level windows, front to
// back). With directOnly, only the windows whose parent is the given one; otherwise each window is
// followed at once by all of its descendants.
std::vector<platform::WindowId> EnumerateWindows(platform::Platform& platform,
                                                 platform::WindowId parent, bool directOnly);

// What the application lists show of one window. Copies share the handle, never the icon.
class CWindow
{
public:
    CWindow(platform::Platform& platform, platform::WindowId handle)
        : Handle(handle), platform_(&platform)
    {
    }
    CWindow(const CWindow& other) : Handle(other.Handle), platform_(other.platform_) {}
    CWindow& operator=(const CWindow& other);

    // Not owned: the window belongs to its program.
    platform::WindowId Handle = 0;

    // The process that made the window; 0 when it cannot be told.
    std::uint32_t GetProcessId() const;
    // The title, at most 99 characters (never cut inside one).
    std::string GetText() const;
    bool IsVisible() const;
    // The window it belongs to; a window with Handle 0 when none.
    CWindow GetOwner() const;
    // The window's small icon at 16 x 16: its own, else the icon of the entry of its class among
    // the desktop entries (read once by the caller for all its windows). Kept in this object;
    // left as it was when there is none.
    const QImage& GetIcon(const std::vector<DesktopEntry>& entries);

    static std::vector<CWindow> GetTopLevelWindows(platform::Platform& platform);

private:
    platform::Platform* platform_;
    QImage bitmap_;
};
