#pragma once

#include "keys/KeyCodes.h"
#include "services/Desktop.h"
#include "services/Trigger.h"

#include <optional>
#include <string>

// The trigger as a key combination of the drawn keyboard, and back.
CKeyCodes KeysOfTrigger(const Trigger& trigger);
// nullopt unless the keys are modifiers and exactly one other key.
std::optional<Trigger> TriggerOfKeys(const CKeyCodes& keys);
// "Win + Q".
std::string TriggerText(const Trigger& trigger);

// Whether the window manager keeps a grab of this trigger from ever firing.
bool WindowManagerBlocks(const DesktopFacts& desktop, const Trigger& trigger);
// What the user must know about the trigger on this desktop, translated; empty when the grab
// works as it is.
std::string TriggerAdvice(const DesktopFacts& desktop, const Trigger& trigger,
                          bool desktopShortcut);
