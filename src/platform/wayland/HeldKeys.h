#pragma once

#include <Qt>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The keys and buttons held while this program has the keyboard, as its own input events tell:
// on Wayland no client reads the keyboard of another.
namespace platform::wayland {

class HeldKeys
{
public:
    // Forgets every key: the keyboard went to another program.
    void Clear();
    // The modifiers the compositor reported at the keyboard's entry, pressed before it: each held
    // modifier of which neither key is known to be down counts as its left key. The keys it
    // counts down anew, in ascending order.
    std::vector<std::uint16_t> AddModifiers(Qt::KeyboardModifiers modifiers);
    // A key or button pressed or released; the key whose state that changed (the left key of a
    // modifier counted from the entry, released by its right key), 0 when none did.
    std::uint16_t Set(std::uint16_t code, bool down);
    // The keys held, in ascending order.
    std::vector<std::uint16_t> Down() const;
    bool IsDown(std::uint16_t code) const;
    // 256 bytes by key number, 0x80 for a held key, the generic Shift, Ctrl and Alt set with
    // either side.
    void Fill(std::uint8_t state[256]) const;

private:
    std::array<bool, 256> down_{};
};

} // namespace platform::wayland
