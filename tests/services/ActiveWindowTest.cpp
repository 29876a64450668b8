#include "services/ActiveWindow.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

namespace {

class ActiveWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.platform.windows[Editor] = {2001};
        env.platform.windows[Browser] = {2002};
        env.platform.windows[Panel] = {2003, /*taskbar*/ true};
        env.platform.windows[Overlay] = {env.platform.currentProcessId};
        Start();
    }
    void Start()
    {
        tracker = std::make_unique<CActiveWindow>(env.platform);
        tracker->OnChange = [this] { ++changes; };
    }

    static constexpr platform::WindowId Editor = 11, Browser = 12, Panel = 13, Overlay = 14;
    FakeEnvironment env;
    std::unique_ptr<CActiveWindow> tracker;
    int changes = 0;
};

} // namespace

TEST_F(ActiveWindow, NothingSeenYetMeansProcessOne)
{
    EXPECT_EQ(tracker->GetLastWindow(), 0u);
    EXPECT_EQ(tracker->GetActiveProcessId(), 1u);
    EXPECT_EQ(GetWindowProcessId(env.platform, 0), 1u);
    EXPECT_EQ(GetWindowProcessId(env.platform, 999), 1u); // unknown window
}

TEST_F(ActiveWindow, FollowsAnnouncedChangesWithoutATimer)
{
    EXPECT_FALSE(tracker->Polling());
    env.platform.ActivateWindow(Editor);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tracker->GetLastWindow(), Editor);
    EXPECT_EQ(tracker->GetActiveProcessId(), 2001u);

    env.platform.ActivateWindow(Editor); // no change: no further call
    env.timers.Advance(1000);
    EXPECT_EQ(changes, 1);

    env.platform.ActivateWindow(Browser);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(tracker->GetLastWindow(), Browser);

    // Gone, it announces nothing more to anyone.
    tracker.reset();
    EXPECT_FALSE(env.platform.foregroundWatcher);
}

TEST_F(ActiveWindow, WithoutAnnouncementsItPollsEvery100ms)
{
    env.platform.announcesForeground = false;
    env.platform.foregroundWindow = Editor;
    Start(); // the window in front at the start is recorded without a call
    EXPECT_TRUE(tracker->Polling());
    EXPECT_EQ(tracker->GetLastWindow(), Editor);
    env.platform.foregroundWindow = Browser;
    env.timers.Advance(99);
    EXPECT_EQ(changes, 0);
    env.timers.Advance(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tracker->GetLastWindow(), Browser);
}

TEST_F(ActiveWindow, TaskbarDocksAndTheDesktopAreNoChange)
{
    env.platform.ActivateWindow(Editor);
    for (platform::WindowId window : {Panel, platform::WindowId(0), Editor}) {
        env.platform.ActivateWindow(window);
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tracker->GetLastWindow(), Editor);
}

TEST_F(ActiveWindow, OwnWindowsAreNeverTheLastWindowButLeavingThemIsAChange)
{
    env.platform.ActivateWindow(Editor);
    env.platform.ActivateWindow(Overlay);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tracker->GetLastWindow(), Editor);
    // The application the overlay was shown over comes back: it takes the foreground from us.
    env.platform.ActivateWindow(Editor);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(tracker->GetLastWindow(), Editor);
    env.platform.ActivateWindow(Overlay);
    env.platform.ActivateWindow(Panel);
    env.platform.ActivateWindow(Browser);
    EXPECT_EQ(changes, 3);
}

TEST_F(ActiveWindow, UnsetCallbackIsSkipped)
{
    tracker->OnChange = nullptr;
    env.platform.ActivateWindow(Browser);
    EXPECT_EQ(tracker->GetLastWindow(), Browser);
}

TEST_F(ActiveWindow, RestoreLiftsTheWindowUntilItIsInFront)
{
    env.platform.ActivateWindow(Editor);
    env.platform.foregroundWindow = Overlay;

    EXPECT_TRUE(tracker->Restore());
    EXPECT_EQ(env.platform.foregroundWindow, Editor);
    EXPECT_EQ(env.platform.foregroundRequests, std::vector<platform::WindowId>{Editor});
    EXPECT_FALSE(env.platform.windows[Editor].topmost); // back in the normal band
}

TEST_F(ActiveWindow, ForcingGivesUpAfterASecondAndSaysSo)
{
    env.platform.foregroundRequestsSucceed = false;
    env.platform.foregroundWindow = Browser;
    EXPECT_FALSE(ForceForegroundWindow(env.platform, Editor));
    EXPECT_EQ(env.platform.foregroundRequests.size(), 5u);
    // A look first, then a wait for the focus after each request.
    EXPECT_EQ(env.platform.focusWaits, (std::vector<int>{0, 200, 200, 200, 200, 200}));
    EXPECT_FALSE(env.platform.windows[Editor].topmost);

    // A window already on top stays on top and needs no request.
    env.platform.foregroundRequests.clear();
    env.platform.windows[Overlay].topmost = true;
    env.platform.foregroundWindow = Overlay;
    ForceForegroundWindow(env.platform, Overlay);
    EXPECT_TRUE(env.platform.foregroundRequests.empty());
    EXPECT_TRUE(env.platform.windows[Overlay].topmost);
}
