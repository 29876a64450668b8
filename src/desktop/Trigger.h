#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <string>

// The key combination that shows the overlay: hot-key modifier bits (platform::ModWin, ...) and
// one other key, a virtual-key code.
struct Trigger
{
    std::uint32_t modifiers = 0;
    std::uint16_t code = 0;
    bool operator==(const Trigger&) const = default;
};

// Win, Ctrl, Alt and Shift, of either side: keys a trigger holds down, never its key.
bool IsModifierKey(std::uint16_t code);

// Win + Q.
Trigger DefaultTrigger();

// The combination in the form GTK writes accelerators ("<Super>q"), which GNOME's shortcut
// settings and the settings file use; empty when the key has no name there.
std::string AcceleratorOf(platform::Platform& platform, const Trigger& trigger);
// Reads that form; nullopt when it names no key, a modifier as the key, or a modifier Quorvel
// cannot grab (Meta, Hyper, Release, Mod2..Mod5).
std::optional<Trigger> ParseAccelerator(platform::Platform& platform, const std::string& text);
