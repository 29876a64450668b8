#pragma once

#include "live/LiveReader.h"
#include "live/LiveShortCutLoader.h"

#include <QDBusConnection>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CActiveWindow;
class CDBRegistry;
class CSettings;

// Live shortcuts as the overlay uses them: when another program comes to the foreground its
// shortcuts are read in the background, and the shortcut set the overlay shows has them under the
// user's own as soon as the cache holds them. Showing the overlay never waits for a read. Nothing
// is read, nor shown, until the settings switch it on, nor for a program the base switches off.
class CLiveController
{
public:
    // session: where accessibility is switched on and off.
    CLiveController(platform::Platform& platform, CDBRegistry& registry, CShortCutSetLoader& base,
                    CActiveWindow& activeWindow, QDBusConnection session);

    // The loader the overlay builds its shortcut set with.
    IShortCutLoader& Loader() { return loader_; }
    const CLiveShortCutLoader& LiveLoader() const { return loader_; }
    // Reads the program of the active window; called when it changes.
    void OnActiveWindowChange();
    // The active window's program and where it tells its shortcuts; none while live reading is
    // off, for a program the base switches off, or when there is nothing to read.
    std::optional<live::LiveTarget> ActiveTarget();
    // Live reading on or off; off, the read under way is cancelled and no live shortcut is shown.
    void SetEnabled(bool enabled);
    // The settings as the user changed them: live reading, and accessibility switched on or back
    // off for it; whether Quorvel switched it on is saved. Throws Exception when the settings
    // cannot be saved.
    void ApplySettings(CSettings& settings);

private:
    // Whether the base's program the target belongs to has live reading switched off.
    bool SwitchedOff(const live::LiveProgram& program);

    platform::Platform& platform_;
    CDBRegistry& registry_;
    CActiveWindow& activeWindow_;
    QDBusConnection session_;
    CLiveShortCutLoader loader_;
    live::LiveReader reader_;
    bool enabled_ = false;
    // The base's programs as SwitchedOff last read them, at the registry's revision then.
    std::vector<std::unique_ptr<CProgram>> programs_;
    std::optional<std::uint64_t> programsRevision_;
};
