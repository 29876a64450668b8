#pragma once

#include "platform/Platform.h"
#include "desktop/Desktop.h"
#include "desktop/Settings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The trigger in force: grabbed by this program, or run by GNOME's own shortcut settings as
// "quorvel --show", or, where the platform cannot grab keys and GNOME does not run it, left to
// the user to bind in the desktop's settings. Reads the desktop at start, sets up a trigger that
// works on a first start, applies what the settings window chose and words what the user must know
// about it.
class CTriggerController
{
public:
    // settings: loaded already, kept up to date and saved here. onTrigger runs on each press of
    // the grabbed trigger.
    CTriggerController(platform::Platform& platform, CSettings& settings,
                       std::function<void()> onTrigger);
    CTriggerController(const CTriggerController&) = delete;
    CTriggerController& operator=(const CTriggerController&) = delete;

    // Looks at the desktop; on a first start (no settings file) where the window manager takes
    // the Windows key, GNOME's shortcut for the trigger or else a trigger without that key, and
    // the settings saved; then grabs the trigger or brings GNOME's shortcut up to date, and
    // removes a shortcut left from an earlier run that the settings turned off.
    void Start();

    // Takes the values of the settings window: a new trigger is grabbed before the old one is
    // released, GNOME's shortcut and the autostart entry are written or removed, the settings
    // saved. The translated reason for what was not taken, or the empty text; the old trigger
    // keeps working when the new one is refused.
    std::string Apply(const SettingsValues& values);

    // The trigger grabbed by this program; nullopt while none is (refused, or GNOME's shortcut
    // settings run it).
    const std::optional<Trigger>& Grabbed() const { return grabbed_; }
    const DesktopFacts& Desktop() const { return desktop_; }
    // Start found no settings file.
    bool FirstStart() const { return firstStart_; }

    // How to show the overlay with the trigger in force, or why it cannot be shown; translated.
    std::string HowToShow() const;
    // The tray icon's tool tip: the trigger, and what is wrong with it on this desktop.
    std::string TrayHint() const;

private:
    // Whether GNOME's shortcut settings run the trigger.
    bool GnomeRuns(const SettingsValues& values) const;
    // Whether this program grabs the trigger itself: not while GNOME runs it as a shortcut, nor
    // where the platform cannot grab keys.
    bool GrabsItself(const SettingsValues& values) const;
    void SetUpFirstTrigger();
    // The trigger's keys as the user presses them: the desktop's name for them where it owns the
    // grabbed key (it may hold another key than the one asked for), else the program's.
    std::string KeysText(const Trigger& trigger) const;
    bool Grab(const Trigger& trigger);
    void Release();
    // What GNOME's shortcut settings run to show the overlay.
    std::vector<std::string> ShowCommand() const;
    // Writes or removes GNOME's shortcut as the values ask; the translated failure or the empty
    // text.
    std::string ApplyDesktopShortcut(const SettingsValues& values);

    platform::Platform& platform_;
    CSettings& settings_;
    std::function<void()> onTrigger_;
    DesktopFacts desktop_;
    std::optional<Trigger> grabbed_;
    bool firstStart_ = false;
    // The first start replaced the trigger because of the window manager.
    bool triggerReplaced_ = false;
};
