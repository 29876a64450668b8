#pragma once

#include "keys/KeyCodes.h"
#include "desktop/Desktop.h"
#include "desktop/Trigger.h"

#include <optional>
#include <string>

// The trigger as a key combination of the drawn keyboard, and back.
CKeyCodes KeysOfTrigger(const Trigger& trigger);
// nullopt unless the keys are modifiers and exactly one other key.
std::optional<Trigger> TriggerOfKeys(platform::Platform& platform, const CKeyCodes& keys);
// "Win + Q".
std::string TriggerText(const Trigger& trigger);

// Ctrl + Alt + Q: the trigger for window managers that take the Windows key. No default key
// binding of IceWM (/usr/share/icewm/preferences), of GNOME's window manager
// (org.gnome.desktop.wm.keybindings, org.gnome.mutter) or of GNOME's media keys
// (org.gnome.settings-daemon.plugins.media-keys) uses it: their schemas in
// /usr/share/glib-2.0/schemas.
Trigger TriggerWithoutWinKey();

// The desktop whose window manager takes the Windows key, as its users know it ("IceWM").
std::string WinKeyOwnerName(WinKeyOwner owner);
// Whether the window manager keeps a grab of this trigger from ever firing.
bool WindowManagerBlocks(const DesktopFacts& desktop, const Trigger& trigger);
// What the user must know about the trigger on this desktop, translated; empty when the grab
// works as it is. desktopShortcut: GNOME's shortcut settings run the trigger.
std::string TriggerAdvice(const DesktopFacts& desktop, const Trigger& trigger,
                          bool desktopShortcut);
