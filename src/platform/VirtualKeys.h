#pragma once

#include <cstdint>

// Windows virtual-key numbers: the key codes of the layout file, the stored combinations and the
// key model on every platform. Only the numbers the program handles specially are named here.
namespace vk {

constexpr std::uint16_t LButton = 0x01;
constexpr std::uint16_t RButton = 0x02;
constexpr std::uint16_t MButton = 0x04;
constexpr std::uint16_t Return = 0x0D;
// Either side of a modifier.
constexpr std::uint16_t Shift = 0x10;
constexpr std::uint16_t Control = 0x11;
constexpr std::uint16_t Menu = 0x12;
constexpr std::uint16_t Escape = 0x1B;
constexpr std::uint16_t LWin = 0x5B;
constexpr std::uint16_t RWin = 0x5C;
constexpr std::uint16_t LShift = 0xA0;
constexpr std::uint16_t RShift = 0xA1;
constexpr std::uint16_t LControl = 0xA2;
constexpr std::uint16_t RControl = 0xA3;
constexpr std::uint16_t LMenu = 0xA4;
constexpr std::uint16_t RMenu = 0xA5;
// Either Windows key: beyond the byte range of real codes; its low byte is LWin.
constexpr std::uint16_t AnyWin = 0x15B;

} // namespace vk
