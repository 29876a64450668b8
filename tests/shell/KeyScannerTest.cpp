#include "platform/VirtualKeys.h"
#include "shell/KeyScanner.h"

#include "keys/KeyCodes.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

namespace {

struct Event
{
    char kind; // 'd' down, 'u' up
    std::uint16_t code;
    std::uint16_t raw;
    bool operator==(const Event&) const = default;
};

class Scanner : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scanner.OnKeyDown = [this](std::uint16_t code, std::uint16_t raw) {
            events.push_back({'d', code, raw});
        };
        scanner.OnKeyUp = [this](std::uint16_t code, std::uint16_t raw) {
            events.push_back({'u', code, raw});
        };
        scanner.SetEnabled(true);
    }
    // Presses or releases a side key together with its common code, as the system reports it.
    void Side(std::uint16_t raw, bool down)
    {
        env.platform.SetKeyDown(raw, down);
        if (const std::uint16_t generic = GetGenericKeyCode(raw); generic && generic < 256) {
            env.platform.SetKeyDown(generic, down);
        }
    }

    FakeEnvironment env;
    CKeyScanner scanner{env.platform};
    std::vector<Event> events;
};

} // namespace

TEST_F(Scanner, KeyHeldAtTheFirstTickIsReportedOnceAndReleaseFollows)
{
    env.platform.SetKeyDown('A', true);
    env.timers.Advance(20);
    env.timers.Advance(100);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}}));
    env.platform.SetKeyDown('A', false);
    env.timers.Advance(20);
    EXPECT_EQ(events.back(), (Event{'u', 'A', 'A'}));
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(Scanner, SideModifiersReportTheirCommonCode)
{
    Side(160, true);
    env.timers.Advance(20);
    Side(161, true);
    env.timers.Advance(20);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 16, 160}, {'d', 16, 161}}));

    events.clear();
    Side(91, true);
    env.timers.Advance(20);
    Side(91, false);
    Side(92, true);
    env.timers.Advance(20);
    EXPECT_EQ(events, (std::vector<Event>{
                          {'d', vk::AnyWin, 91}, {'u', vk::AnyWin, 91}, {'d', vk::AnyWin, 92}}));
}

TEST_F(Scanner, KeysChangingInOneTickComeInAscendingRawOrder)
{
    env.platform.SetKeyDown('S', true);
    Side(162, true);
    env.platform.SetKeyDown('A', true);
    env.timers.Advance(20);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}, {'d', 'S', 'S'}, {'d', 17, 162}}));
}

TEST_F(Scanner, UnsetCallbackLeavesTheChangeForTheNextEvent)
{
    scanner.OnKeyDown = nullptr;
    env.platform.SetKeyDown('B', true);
    env.timers.Advance(20);
    EXPECT_TRUE(events.empty());
    scanner.OnKeyDown = [this](std::uint16_t code, std::uint16_t raw) {
        events.push_back({'d', code, raw});
    };
    env.platform.SetKeyDown('C', true);
    env.timers.Advance(20);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'B', 'B'}, {'d', 'C', 'C'}}));
}

TEST_F(Scanner, DisabledScannerStopsWatchingAndForgetsWhatWasHeld)
{
    env.platform.SetKeyDown('A', true);
    env.timers.Advance(20);
    scanner.SetEnabled(false);
    EXPECT_FALSE(env.platform.keyStateWatcher);
    env.platform.SetKeyDown('D', true);
    env.timers.Advance(200);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}}));
    // Enabled again: what is held now is reported down afresh.
    scanner.SetEnabled(true);
    env.timers.Advance(20);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}, {'d', 'A', 'A'}, {'d', 'D', 'D'}}));
}

TEST_F(Scanner, KeysOfAnotherProgramAreNeverReported)
{
    env.platform.SetKeyDown('A', true);
    env.timers.Advance(20);
    ASSERT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}}));

    // Another program has the keyboard: the scanner forgets what was held, and keys typed there
    // are never reported, nor is A's release.
    scanner.Restart();
    env.platform.keyboardReadAllowed = false;
    env.platform.SetKeyDown('B', true);
    env.platform.SetKeyDown('A', false);
    env.timers.Advance(60);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}}));

    // Ours again: what is held now is reported down afresh.
    env.platform.SetKeyDown('B', false);
    env.platform.SetKeyDown('A', true);
    env.platform.keyboardReadAllowed = true;
    env.timers.Advance(20);
    EXPECT_EQ(events, (std::vector<Event>{{'d', 'A', 'A'}, {'d', 'A', 'A'}}));
}

TEST_F(Scanner, KeysHeldFromBeforeAreToldApartFromLaterPresses)
{
    std::vector<bool> heldBefore;
    scanner.OnKeyDown = [&](std::uint16_t, std::uint16_t) {
        heldBefore.push_back(scanner.HeldBefore());
    };
    scanner.SetEnabled(false);
    // The trigger's Win, still held when the overlay starts watching.
    scanner.SetEnabled(true, {vk::AnyWin, 'Q'});
    Side(91, true);
    env.timers.Advance(20);
    Side(162, true);
    env.timers.Advance(20);
    EXPECT_EQ(heldBefore, (std::vector<bool>{true, false}));

    // Keys held when the program lost the keyboard count as held before once it has it again.
    scanner.Restart();
    env.platform.keyboardReadAllowed = false;
    env.timers.Advance(20);
    env.platform.keyboardReadAllowed = true;
    env.timers.Advance(20);
    EXPECT_EQ(heldBefore, (std::vector<bool>{true, false, true, true}));

    // Released and pressed again, Win is a press of the user's.
    Side(91, false);
    env.timers.Advance(20);
    Side(91, true);
    env.timers.Advance(20);
    EXPECT_EQ(heldBefore, (std::vector<bool>{true, false, true, true, false}));

    // Enabled again after a hide without keys from before: every key is a press of the user's.
    scanner.SetEnabled(false);
    Side(160, true);
    scanner.SetEnabled(true);
    env.timers.Advance(20);
    EXPECT_EQ(heldBefore, (std::vector<bool>{true, false, true, true, false, false, false, false}));
}
