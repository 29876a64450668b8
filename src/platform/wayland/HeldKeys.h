#pragma once

#include <Qt>

#include <array>
#include <cstdint>
#include <functional>

// The keys and buttons held while this program has the keyboard, as its own input events tell:
// on Wayland no client reads the keyboard of another.
namespace platform::wayland {

class HeldKeys
{
public:
    // Forgets every key: the keyboard went to another program.
    void Clear();
    // The modifiers the compositor reported at the keyboard's entry, pressed before it: each held
    // modifier of which neither key is known to be down counts as its left key.
    void AddModifiers(Qt::KeyboardModifiers modifiers);
    // A key or button pressed or released; whether that changed anything.
    bool Set(std::uint16_t code, bool down);
    bool IsDown(std::uint16_t code) const;
    // 256 bytes by key number, 0x80 for a held key, the generic Shift, Ctrl and Alt set with
    // either side.
    void Fill(std::uint8_t state[256]) const;

private:
    std::array<bool, 256> down_{};
};

} // namespace platform::wayland
