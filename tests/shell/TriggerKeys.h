#pragma once

// Triggers the trigger tests use, and the hot keys a fake platform holds, as triggers.
#include "desktop/Trigger.h"

#include "FakePlatform.h"

#include <string>
#include <vector>

namespace trigger_test {

inline const Trigger WinQ{platform::ModWin, 'Q'};
inline const Trigger CtrlAltK{platform::ModControl | platform::ModAlt, 'K'};
constexpr auto npos = std::string::npos;

inline std::vector<Trigger> HotKeys(const platform::FakePlatform& platform)
{
    std::vector<Trigger> keys;
    for (const auto& hotKey : platform.hotKeys) {
        keys.push_back({hotKey.modifiers, hotKey.code});
    }
    return keys;
}

} // namespace trigger_test
