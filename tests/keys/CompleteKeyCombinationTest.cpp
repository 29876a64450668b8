#include "keys/CompleteKeyCombination.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

constexpr std::uint16_t ctrl = 17;
constexpr std::uint16_t keyS = 0x53;

class CompleteKeyCombinationTest : public ::testing::Test
{
protected:
    CompleteKeyCombinationTest()
    {
        tracker.Combination = CKeyCodes{ctrl, keyS};
        tracker.OnComplete = [this](CKeyCodes keys) { completed = keys; };
        tracker.Reset(true);
    }

    FakeEnvironment env;
    CCompleteKeyCombination tracker;
    std::optional<CKeyCodes> completed;
};

} // namespace

TEST_F(CompleteKeyCombinationTest, RepressWithinHalfASecondCompletes)
{
    tracker.KeyUp(keyS);
    EXPECT_TRUE(tracker.Waiting);
    env.timers.Advance(300);
    tracker.KeyDown(keyS);
    ASSERT_TRUE(completed);
    EXPECT_EQ(*completed, (CKeyCodes{ctrl, keyS}));
    EXPECT_FALSE(tracker.Active);
}

TEST(CompleteKeyCombinationOwnerTest, TheOwnerMayDeleteTheTrackerWhileTheShortcutIsCarriedOut)
{
    FakeEnvironment env;
    auto tracker = std::make_unique<CCompleteKeyCombination>();
    tracker->Combination = CKeyCodes{ctrl, keyS};
    std::optional<CKeyCodes> completed;
    // Carrying the shortcut out hides the overlay, whose keyboard then drops its trackers.
    tracker->OnComplete = [&](CKeyCodes keys) {
        completed = keys;
        tracker.reset();
    };
    tracker->Reset(true);
    tracker->KeyUp(keyS);
    tracker->KeyDown(keyS);
    EXPECT_EQ(completed, (CKeyCodes{ctrl, keyS}));
    EXPECT_EQ(tracker, nullptr);
}

TEST_F(CompleteKeyCombinationTest, ModifierTapCompletesToo)
{
    tracker.KeyUp(ctrl);
    tracker.KeyDown(ctrl);
    EXPECT_TRUE(completed);
}

TEST_F(CompleteKeyCombinationTest, TimeOutEndsTheGesture)
{
    tracker.KeyUp(keyS);
    env.timers.Advance(499);
    EXPECT_TRUE(tracker.Active);
    env.timers.Advance(101);
    EXPECT_FALSE(tracker.Active);
    EXPECT_FALSE(tracker.Waiting);
    tracker.KeyDown(keyS);
    EXPECT_FALSE(completed);
}

TEST_F(CompleteKeyCombinationTest, AnyOtherEventEndsTheGesture)
{
    tracker.KeyUp(keyS);
    tracker.KeyDown(ctrl);
    EXPECT_FALSE(tracker.Active);
    tracker.KeyDown(keyS);
    EXPECT_FALSE(completed);

    tracker.Reset(true);
    tracker.KeyUp(keyS);
    tracker.KeyUp(ctrl);
    EXPECT_FALSE(tracker.Active);

    tracker.Reset(true);
    tracker.KeyUp(0x41);
    EXPECT_FALSE(tracker.Active);

    tracker.Reset(true);
    tracker.KeyDown(keyS);
    EXPECT_FALSE(tracker.Active);
    EXPECT_FALSE(completed);
}

TEST_F(CompleteKeyCombinationTest, ResetStopsThePendingTimer)
{
    tracker.KeyUp(keyS);
    tracker.Reset(true);
    env.timers.Advance(1000);
    EXPECT_TRUE(tracker.Active);
    tracker.KeyUp(keyS);
    tracker.KeyDown(keyS);
    EXPECT_TRUE(completed);
}

TEST(CompleteKeyCombination, WithoutCallbackTheRepressOnlyFinishes)
{
    FakeEnvironment env;
    CCompleteKeyCombination tracker;
    EXPECT_FALSE(tracker.Active);
    tracker.Combination = CKeyCodes{ctrl, keyS};
    tracker.Reset(true);
    tracker.KeyUp(keyS);
    tracker.KeyDown(keyS);
    EXPECT_FALSE(tracker.Active);
}

TEST(CompleteKeyCombination, UnarmedTrackerStaysInactive)
{
    FakeEnvironment env;
    CCompleteKeyCombination tracker;
    bool called = false;
    tracker.Combination = CKeyCodes{ctrl, keyS};
    tracker.OnComplete = [&](CKeyCodes) { called = true; };
    tracker.KeyDown(keyS);
    env.timers.Advance(600);
    EXPECT_FALSE(tracker.Active);
    EXPECT_FALSE(called);
}
