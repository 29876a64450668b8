#pragma once

#include "framework/Timer.h"

#include <array>
#include <cstdint>
#include <functional>

// Turns the keyboard state of the program's own input into key-down and key-up events, polling
// every 20 ms. Side-specific modifiers are reported with their common code (raw code beside it);
// either Windows key as vk::AnyWin.
class CKeyScanner
{
public:
    using KeyCallback = std::function<void(std::uint16_t code, std::uint16_t rawCode)>;

    CKeyScanner();

    void SetEnabled(bool enabled);
    bool Enabled() const { return timer_.Enabled(); }

    // A change is recorded only when its callback is set, so an unset callback leaves the change
    // to be reported on a later tick.
    KeyCallback OnKeyUp;
    KeyCallback OnKeyDown;
    // Called at a tick whose read the platform refused (no window of this program is active):
    // nothing is held any more as far as the scanner knows, and no key event is reported for it.
    // Keys still held when reads are allowed again are reported down then.
    std::function<void()> OnReadRefused;
    // Whether the changes being reported come from the first read after the scanner was enabled
    // or refused: keys found down then were pressed before (the trigger's keys, still held).
    bool FirstRead() const { return firstRead_; }

    void Scan();

private:
    Timer timer_;
    std::array<std::uint8_t, 256> current_{};
    // 0x10 for a key reported down, 0 for one reported up or never reported.
    std::array<std::uint8_t, 256> previous_{};
    bool firstRead_ = true;
};
