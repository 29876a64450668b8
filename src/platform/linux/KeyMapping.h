#pragma once

#include "platform/Platform.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct xkb_keymap;

// Virtual-key codes and X key codes of the active keyboard layout. A letter or digit key's code is
// the letter or digit it types, a punctuation key's code the US key that types the same
// character, else its position; every other key's code is its position (KeyTable). Built from an
// xkb keymap alone, whichever display server it came from.
namespace platform::xkb {

class KeyMapping
{
public:
    // The US positions, with no labels: the mapping without a keymap.
    KeyMapping();
    // The mapping of a keymap with the layout (group) activeLayout active. When that group types
    // no Latin letters, letters, digits and punctuation follow the first group that does; with
    // none that does, they keep their US positions. layoutNames are the layouts' XKB names
    // ("us,ru"), which tell the keyboard's shape.
    KeyMapping(xkb_keymap* keymap, std::uint32_t activeLayout, const std::string& layoutNames);

    // The virtual-key code of an X key code; 0 for a key without one.
    std::uint8_t VirtualKeyOfXKey(unsigned xKeyCode) const;
    // The X key code to press for a virtual-key code; 0 when no key of the layout has it. The
    // generic Shift, Ctrl and Alt and vk::AnyWin press the left key.
    unsigned XKeyOfVirtualKey(std::uint16_t code) const;
    // What a letter, digit or punctuation key shows; none for other keys and without a keymap.
    std::optional<KeyCap> CapOf(std::uint16_t code) const;
    // The key that types a character in the group shortcuts are typed in, without Shift where
    // one does; none where no key types it without AltGr, and without a keymap.
    std::optional<CharacterKey> KeyOfCharacter(char32_t character) const;
    // The code of the key that lies where a US keyboard has the key of position; 0 when the
    // layout has no key there.
    std::uint16_t KeyAtPosition(std::uint16_t position) const;
    // The keysym name of what the key types ("q", "F1", "odiaeresis"); empty when none.
    std::string KeySymName(std::uint16_t code) const;
    // The code of the key that types a keysym name, letter case ignored; 0 when none does.
    std::uint16_t VirtualKeyOfKeySymName(const std::string& name) const;
    // Whether the layout's keyboard is drawn with the ISO key beside left Shift and the L-shaped
    // Enter (false: ANSI): ANSI for a US layout first, ISO for every other.
    bool IsIso() const { return iso_; }

    bool operator==(const KeyMapping&) const = default;

private:
    void Link(unsigned xKey, std::uint8_t code);
    // Whether the code's key is found through the keymap rather than by its position.
    bool FollowsLayout(std::uint16_t code) const;

    std::array<std::uint8_t, 256> virtualOfX_{};
    std::array<std::uint8_t, 256> xOfVirtual_{};
    std::map<std::uint8_t, KeyCap> caps_;
    std::map<std::uint8_t, std::string> keySyms_;
    std::map<char32_t, CharacterKey> characterKeys_;
    bool iso_ = true;
    bool fromKeymap_ = false;
};

} // namespace platform::xkb
