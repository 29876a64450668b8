#include "shell/KeyScanner.h"

#include "keys/KeyCodes.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

namespace {
constexpr std::uint8_t DownBits = 0xF0;
// How often the key state is read while the overlay is shown.
constexpr int ScanIntervalMs = 20;
} // namespace

CKeyScanner::CKeyScanner() : timer_(ScanIntervalMs, true)
{
    timer_.OnTimer = [this] { Scan(); };
}

void CKeyScanner::SetEnabled(bool enabled)
{
    timer_.SetEnabled(enabled);
    firstRead_ = firstRead_ || enabled;
}

void CKeyScanner::Scan()
{
    if (!platform::Get().GetKeyboardState(current_.data())) {
        previous_.fill(0);
        firstRead_ = true;
        if (OnReadRefused) {
            OnReadRefused();
        }
        return;
    }
    // The common Shift/Ctrl/Alt codes are down whenever either side is; the side keys report.
    current_[vk::Shift] = current_[vk::Control] = current_[vk::Menu] = 0;
    for (int i = 0; i < 256; ++i) {
        const auto raw = static_cast<std::uint16_t>(i);
        const std::uint16_t generic = GetGenericKeyCode(raw);
        const std::uint16_t code = generic ? generic : raw;
        const bool wasDown = previous_[i] & DownBits;
        const bool isDown = current_[i] & DownBits;
        if (wasDown && !isDown && OnKeyUp) {
            previous_[i] = 0;
            OnKeyUp(code, raw);
        } else if (!wasDown && isDown && OnKeyDown) {
            previous_[i] = 0x10;
            OnKeyDown(code, raw);
        }
    }
    firstRead_ = false;
}
