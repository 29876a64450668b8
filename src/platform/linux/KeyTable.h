#pragma once

#include <cstdint>
#include <string>

// The fixed, layout-independent translation between X key codes (evdev code + 8) and virtual-key
// codes: a key's position on a PC keyboard, named as a Windows machine with a US layout names it.
// KeyMapping starts from it and gives letter, digit and punctuation keys the codes of the active
// layout.
namespace platform::xkb {

// The virtual-key code of an X key code; 0 for a key the table does not list.
std::uint8_t VirtualKeyOfXKey(unsigned xKeyCode);

// The X key code to press for a virtual-key code; 0 when no key sends it. The generic Shift, Ctrl
// and Alt codes press the left key; vk::AnyWin presses the left Windows key. Where several keys
// share a code (Enter and keypad Enter), the key of the main block is chosen.
unsigned XKeyOfVirtualKey(std::uint16_t virtualKey);

// The keysym name of the key that sends a virtual-key code in a US layout ("q", "F1", "Return");
// empty when there is none.
std::string KeySymOfVirtualKey(std::uint16_t virtualKey);
// The virtual-key code of a keysym name, letter case ignored ("Q" is the key of "q"); 0 when no
// key of the table has it.
std::uint16_t VirtualKeyOfKeySym(const std::string& name);

} // namespace platform::xkb
