#include "keys/HeldKeys.h"

#include "keys/KeyCodes.h"
#include "platform/VirtualKeys.h"

namespace {
constexpr std::uint16_t SideCodes[] = {vk::LWin,     vk::RWin,     vk::LShift, vk::RShift,
                                       vk::LControl, vk::RControl, vk::LMenu,  vk::RMenu};
} // namespace

void CHeldKeys::Set(std::uint16_t rawCode, bool down)
{
    if (rawCode < down_.size()) {
        down_[rawCode] = down;
    }
}

void CHeldKeys::Clear()
{
    down_.fill(false);
}

bool CHeldKeys::IsDown(std::uint16_t code) const
{
    if (code < down_.size() && down_[code]) {
        return true;
    }
    for (const std::uint16_t side : SideCodes) {
        if (down_[side] && GetGenericKeyCode(side) == code) {
            return true;
        }
    }
    return false;
}
