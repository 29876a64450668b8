#include "keys/CompleteKeyCombination.h"

CCompleteKeyCombination::CCompleteKeyCombination() : timer_(500, false)
{
    timer_.OnTimer = [this] { Reset(false); };
}

void CCompleteKeyCombination::Reset(bool active)
{
    Waiting = false;
    timer_.SetEnabled(false);
    Active = active;
}

void CCompleteKeyCombination::KeyUp(std::uint16_t code)
{
    if (!Waiting && Combination.find(code) != Combination.end()) {
        Waiting = true;
        TappedKey = code;
        timer_.SetEnabled(true);
    } else {
        Reset(false);
    }
}

void CCompleteKeyCombination::KeyDown(std::uint16_t code)
{
    const bool completed = Waiting && code == TappedKey && OnComplete;
    Reset(false);
    if (completed) {
        // Carrying the shortcut out may end the owner's use of this tracker: nothing of it is
        // touched afterwards.
        const auto onComplete = OnComplete;
        onComplete(Combination);
    }
}
