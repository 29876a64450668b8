#pragma once

#include "framework/Timer.h"
#include "keys/KeyCodes.h"

#include <cstdint>
#include <functional>

// Detects the carry-out gesture on a held combination: one of its keys released and pressed
// again within 500 ms, with no other key event in between. Starts inactive; the owner arms it
// with Reset(true) and deletes it once it is no longer Active, which it may do in OnComplete.
class CCompleteKeyCombination
{
public:
    CCompleteKeyCombination();
    CCompleteKeyCombination(const CCompleteKeyCombination&) = delete;
    CCompleteKeyCombination& operator=(const CCompleteKeyCombination&) = delete;

    void Reset(bool active);
    // Codes as the key-state scanner reports them: modifiers folded.
    void KeyUp(std::uint16_t code);
    void KeyDown(std::uint16_t code);

    bool Active = false;
    // A key of the combination has been released and its re-press is awaited.
    bool Waiting = false;
    std::uint16_t TappedKey = 0;
    CKeyCodes Combination;
    // Called with the combination when the gesture is completed.
    std::function<void(CKeyCodes)> OnComplete;

private:
    Timer timer_;
};
