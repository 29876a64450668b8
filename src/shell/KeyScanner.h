#pragma once

#include "keys/KeyCodes.h"
#include "platform/Platform.h"

#include <array>
#include <cstdint>
#include <functional>

// Turns the platform's key-state events for the program's own input into key-down and key-up
// events while enabled. Side-specific modifiers are reported with their common code (raw code
// beside it); either Windows key as vk::AnyWin.
class CKeyScanner
{
public:
    using KeyCallback = std::function<void(std::uint16_t code, std::uint16_t rawCode)>;

    explicit CKeyScanner(platform::Platform& platform) : platform_(platform) {}
    ~CKeyScanner();
    CKeyScanner(const CKeyScanner&) = delete;
    CKeyScanner& operator=(const CKeyScanner&) = delete;

    // Enabled, the scanner watches the platform's key state; heldBefore are keys that may still
    // be down from before (the trigger's). Disabled, it forgets what was held. No effect when
    // already so.
    void SetEnabled(bool enabled, CKeyCodes heldBefore = {});
    bool Enabled() const { return enabled_; }

    // A change is recorded only when its callback is set, so an unset callback leaves the change
    // to be reported with the next event.
    KeyCallback OnKeyUp;
    KeyCallback OnKeyDown;
    // Whether the key being reported down was held before: one of the keys SetEnabled was told
    // of, or one held when the program lost the keyboard (see Restart), not released since.
    bool HeldBefore() const { return heldBefore_; }
    // The program's windows lost the keyboard: nothing is held as far as the scanner knows, and
    // keys reported down once they have it again count as held before.
    void Restart();

private:
    // Takes one event of the platform: a raw code going down or up.
    void OnKeyChange(std::uint16_t rawCode, bool down);
    // Reports every key whose state differs from the one reported, in ascending raw order.
    void Report();

    platform::Platform& platform_;
    bool enabled_ = false;
    CKeyCodes earlier_;
    bool heldBefore_ = false;
    // The keys down as the platform reports them, and as reported on, by raw code.
    std::array<bool, 256> down_{};
    std::array<bool, 256> reported_{};
};
