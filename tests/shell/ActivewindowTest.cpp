#include "shell/Activewindow.h"

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
        CActiveWindow::Instance().OnChange = [this] { ++changes; };
    }

    static constexpr platform::WindowId Editor = 11, Browser = 12, Panel = 13, Overlay = 14;
    FakeEnvironment env;
    int changes = 0;
};

} // namespace

TEST_F(ActiveWindow, NothingSeenYetMeansProcessOne)
{
    EXPECT_EQ(CActiveWindow::Instance().GetLastWindow(), 0u);
    EXPECT_EQ(CActiveWindow::Instance().GetActiveProcessId(), 1u);
    EXPECT_EQ(GetWindowProcessId(0), 1u);
    EXPECT_EQ(GetWindowProcessId(999), 1u); // unknown window
}

TEST_F(ActiveWindow, PollsEvery100msAndReportsForeignWindows)
{
    env.platform.foregroundWindow = Editor;
    env.timers.Advance(99);
    EXPECT_EQ(changes, 0);
    env.timers.Advance(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(CActiveWindow::Instance().GetLastWindow(), Editor);
    EXPECT_EQ(CActiveWindow::Instance().GetActiveProcessId(), 2001u);

    env.timers.Advance(500); // no change: no further calls
    EXPECT_EQ(changes, 1);

    env.platform.foregroundWindow = Browser;
    env.timers.Advance(100);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(CActiveWindow::Instance().GetLastWindow(), Browser);
}

TEST_F(ActiveWindow, TaskbarOwnWindowsAndNoWindowAreNoChange)
{
    env.platform.foregroundWindow = Editor;
    env.timers.Advance(100);
    for (platform::WindowId window : {Panel, Overlay, platform::WindowId(0)}) {
        env.platform.foregroundWindow = window;
        env.timers.Advance(100);
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(CActiveWindow::Instance().GetLastWindow(), Editor);

    // Coming back to the recorded window from the overlay is no change either.
    env.platform.foregroundWindow = Editor;
    env.timers.Advance(100);
    EXPECT_EQ(changes, 1);
}

TEST_F(ActiveWindow, UnsetCallbackIsSkipped)
{
    CActiveWindow::Instance().OnChange = nullptr;
    env.platform.foregroundWindow = Browser;
    env.timers.Advance(100);
    EXPECT_EQ(CActiveWindow::Instance().GetLastWindow(), Browser);
}

TEST_F(ActiveWindow, RestoreLiftsTheWindowUntilItIsInFront)
{
    env.platform.foregroundWindow = Editor;
    env.timers.Advance(100);
    env.platform.foregroundWindow = Overlay;

    CActiveWindow::Instance().Restore();
    EXPECT_EQ(env.platform.foregroundWindow, Editor);
    EXPECT_EQ(env.platform.foregroundRequests, std::vector<platform::WindowId>{Editor});
    EXPECT_FALSE(env.platform.windows[Editor].topmost); // back in the normal band
}

TEST_F(ActiveWindow, ForcingGivesUpAfterTenAttempts)
{
    env.platform.foregroundRequestsSucceed = false;
    env.platform.foregroundWindow = Browser;
    EXPECT_TRUE(ForceForegroundWindow(Editor));
    EXPECT_EQ(env.platform.foregroundRequests.size(), 10u);
    EXPECT_EQ(env.platform.waits, std::vector<int>(10, 20));
    EXPECT_FALSE(env.platform.windows[Editor].topmost);

    // A window already on top stays on top and needs no request.
    env.platform.foregroundRequests.clear();
    env.platform.windows[Overlay].topmost = true;
    env.platform.foregroundWindow = Overlay;
    ForceForegroundWindow(Overlay);
    EXPECT_TRUE(env.platform.foregroundRequests.empty());
    EXPECT_TRUE(env.platform.windows[Overlay].topmost);
}
