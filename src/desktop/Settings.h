#pragma once

#include "platform/Platform.h"
#include "desktop/Trigger.h"

#include <cstdint>
#include <string>

// What the user chose in the settings dialog.
struct SettingsValues
{
    Trigger trigger = DefaultTrigger();
    bool startAtLogin = false;
    // The trigger is also registered in the desktop's own shortcut settings (GNOME).
    bool desktopShortcut = false;
    // The shape of the keyboard drawn; none: the one the keyboard layout suggests.
    std::optional<platform::KeyboardShape> keyboardShape;
    // Live shortcuts: the foreground program's menus and shortcuts windows are read while it runs.
    bool liveReading = true;
    // Live reading also reaches programs that are on the accessibility bus only once it is
    // switched on for every program (Qt applications): Quorvel switches it on.
    bool liveAccessibility = false;
    bool operator==(const SettingsValues&) const = default;
};

// The settings file, in Qt's INI format. A file that cannot be read or holds values that make
// no sense gives the defaults and a logged warning, and stays as it is until the next Save.
class CSettings
{
public:
    // $XDG_CONFIG_HOME/quorvel/quorvel.conf.
    explicit CSettings(platform::Platform& platform);
    CSettings(platform::Platform& platform, std::string path);

    // Reads the file; a missing one gives the defaults.
    void Load();
    // Writes the whole file anew: a temporary file beside it is renamed into place, so a crash
    // leaves the old file or the new one. Raises an Exception (translated) when it cannot.
    void Save();

    const std::string& Path() const { return path_; }
    // Whether the last Load found a file (a first run finds none).
    bool Existed() const { return existed_; }
    bool Damaged() const { return damaged_; }

    SettingsValues values;
    // The steps the overlay's hint teaches that the user has done, one bit each; the meaning of
    // the bits is the overlay's.
    std::uint32_t overlayHintsDone = 0;
    // Quorvel switched accessibility on for the user's programs (it was off): it switches it off
    // again when live reading no longer needs it, and never when the user had it on.
    bool accessibilitySwitchedOn = false;

private:
    platform::Platform& platform_;
    std::string path_;
    bool existed_ = false;
    bool damaged_ = false;
};
