#pragma once

#include <cstddef>
#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A key written by the character it types ("Ctrl++" in a pack): CharacterKeyBase plus the
// character, for characters below U+8000. Stored as such and found on the layout in effect when
// the shortcuts are shown (CKeyCodes::OnLayout).
constexpr std::uint16_t CharacterKeyBase = 0x8000;
bool IsCharacterKey(std::uint16_t code);
// The code of a key written by a character; 0 for a character beyond the range.
std::uint16_t CharacterKeyCode(char32_t character);
char32_t CharacterOfKey(std::uint16_t code);

// The either-side code of a side-specific modifier (either Windows key -> vk::AnyWin, left/right
// Shift, Ctrl, Alt -> vk::Shift, vk::Control, vk::Menu); 0 for every other code.
std::uint16_t GetGenericKeyCode(std::uint16_t code);
// The display name of one key: what a letter, digit or punctuation key types in the active
// layout, else its name on a US keyboard, the character of a key written by one; empty for keys
// that have none.
std::string GetKeyName(std::uint16_t code);
// The name of a key on a US keyboard, whatever the layout, the character of a key written by
// one; empty for keys that have none.
std::string GetUsKeyName(std::uint16_t code);
// What a letter, digit or punctuation key's cap shows in the active layout; none for other keys
// and while no platform tells the layout.
std::optional<platform::KeyCap> GetKeyCap(std::uint16_t code);
// The standard abbreviation of a key's name ("PgDn" for "Page Down"); the name itself when it
// has none.
std::string GetShortKeyName(std::uint16_t code);
// 1 Windows key, 2 Ctrl, 3 Alt, 4 Shift, 100 any other key.
int GetKeyRank(std::uint16_t code);

// Display order of a combination: Windows key, Ctrl, Alt, Shift, then other keys by code. Left
// and right variants of a modifier are equivalent.
struct CSortKeyCodes
{
    bool operator()(std::uint16_t a, std::uint16_t b) const;
};

// A key combination: an ordered set of virtual-key codes.
class CKeyCodes : public std::set<std::uint16_t, CSortKeyCodes>
{
public:
    using std::set<std::uint16_t, CSortKeyCodes>::set;

    // No effect when an equivalent code is present.
    void Add(std::uint16_t code);
    // "Ctrl + S"; keys without a name are left out.
    std::string GetText() const;
    // The combination with each key written by a character replaced by the key that types it in
    // the active layout, and Shift added where that takes Shift; a character the layout cannot
    // type stays as it is and matches no key.
    CKeyCodes OnLayout(platform::Platform& platform) const;
    // Every code of other has an equivalent here.
    bool Contains(const CKeyCodes& other) const;
    // The codes of this set with no equivalent in other.
    CKeyCodes operator-(const CKeyCodes& other) const;
    // Sends the combination as key events: every key down in order, then every key up in the
    // same order. A key of held (the keys found down while reading was allowed) is released
    // before it is pressed: a press of a key that is down already may be dropped.
    void Emulate(platform::Platform& platform, const CKeyCodes& held) const;

    // The stored form: one little-endian 16-bit word per code, in set order. An odd last byte is
    // ignored; a buffer in any order is re-sorted.
    void LoadFromBuffer(const void* buffer, std::size_t byteCount);
    std::vector<std::uint8_t> SaveToBuffer() const;
};
