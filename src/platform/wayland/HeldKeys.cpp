#include "platform/wayland/HeldKeys.h"

#include "platform/VirtualKeys.h"

#include <algorithm>
#include <tuple>

namespace platform::wayland {

void HeldKeys::Clear()
{
    down_.fill(false);
}

std::vector<std::uint16_t> HeldKeys::AddModifiers(Qt::KeyboardModifiers modifiers)
{
    std::vector<std::uint16_t> added;
    const std::tuple<Qt::KeyboardModifier, std::uint16_t, std::uint16_t> keys[] = {
        {Qt::ShiftModifier, vk::LShift, vk::RShift},
        {Qt::ControlModifier, vk::LControl, vk::RControl},
        {Qt::AltModifier, vk::LMenu, vk::RMenu},
        {Qt::MetaModifier, vk::LWin, vk::RWin}};
    for (const auto& [modifier, left, right] : keys) {
        if (modifiers.testFlag(modifier) && !down_[right] && !down_[left]) {
            down_[left] = true;
            added.push_back(left);
        }
    }
    std::sort(added.begin(), added.end());
    return added;
}

std::uint16_t HeldKeys::Set(std::uint16_t code, bool down)
{
    if (code == 0 || code >= down_.size()) {
        return 0;
    }
    // A modifier counted from the entry is released by whichever side's key comes up.
    if (!down) {
        const std::pair<std::uint16_t, std::uint16_t> sides[] = {{vk::RShift, vk::LShift},
                                                                 {vk::RControl, vk::LControl},
                                                                 {vk::RMenu, vk::LMenu},
                                                                 {vk::RWin, vk::LWin}};
        for (const auto& [right, left] : sides) {
            if (code == right && down_[left] && !down_[right]) {
                down_[left] = false;
                return left;
            }
        }
    }
    const bool changed = down_[code] != down;
    down_[code] = down;
    return changed ? code : 0;
}

std::vector<std::uint16_t> HeldKeys::Down() const
{
    std::vector<std::uint16_t> keys;
    for (std::uint16_t code = 0; code < down_.size(); ++code) {
        if (down_[code]) {
            keys.push_back(code);
        }
    }
    return keys;
}

bool HeldKeys::IsDown(std::uint16_t code) const
{
    return code < down_.size() && down_[code];
}

void HeldKeys::Fill(std::uint8_t state[256]) const
{
    std::transform(down_.begin(), down_.end(), state,
                   [](bool down) { return static_cast<std::uint8_t>(down ? 0x80 : 0); });
    auto either = [&](std::uint16_t left, std::uint16_t right) {
        return static_cast<std::uint8_t>((down_[left] || down_[right]) ? 0x80 : 0);
    };
    state[vk::Shift] = either(vk::LShift, vk::RShift);
    state[vk::Control] = either(vk::LControl, vk::RControl);
    state[vk::Menu] = either(vk::LMenu, vk::RMenu);
}

} // namespace platform::wayland
