#pragma once

#include "keys/KeyCodes.h"

#include <cstdint>
#include <string>

// Key combinations written as text, as shortcut packs hold them: "Ctrl+Shift+T". A key is named by
// its pack name (Ctrl, Super, PgUp, Num+, `) or by the name the keyboard draws on it (Page Up,
// Win, Caps Lock); names are matched ignoring case, and spaces around '+' do not count.

// The combination in text: modifiers first, then exactly one other key, each key named once.
// Throws Exception saying what is wrong: no text, an unknown name, a key named twice, a modifier
// after the key, two keys besides the modifiers, or modifiers only.
CKeyCodes ParseKeyText(const std::string& text);

// The combination in pack names, which ParseKeyText reads back as the same combination; empty
// when it cannot be written so (no key or modifiers only, two keys besides the modifiers, a key
// without a name).
std::string FormatKeyText(const CKeyCodes& keys);

// The pack name of one key; empty for a key that has none.
std::string KeyTextName(std::uint16_t code);
