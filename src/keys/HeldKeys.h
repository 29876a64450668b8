#pragma once

#include <array>
#include <cstdint>

// The keys held on the keyboard, as key-down and key-up events tell them by side-specific code.
class CHeldKeys
{
public:
    void Set(std::uint16_t rawCode, bool down);
    void Clear();
    // Whether the key is held; a common code (Shift, Ctrl, Alt, vk::AnyWin) while either of its
    // sides is.
    bool IsDown(std::uint16_t code) const;

private:
    std::array<bool, 256> down_{};
};
