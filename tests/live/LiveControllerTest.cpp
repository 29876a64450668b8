#include "live/LiveController.h"

#include "FakeEnvironment.h"
#include "PrivateBus.h"
#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "framework/DataSet.h"
#include "services/ActiveWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The GTK 4 fixture's window in front: its executable holds a shortcuts window, so a read finds
// shortcuts without the program running. The reader's buses are the test's own.
class LiveControllerTest : public ::testing::Test
{
protected:
    LiveControllerTest()
    {
        env.environment.Set("DBUS_SESSION_BUS_ADDRESS", bus.Address().toStdString());
        env.platform.specialFolders[platform::SpecialFolderKind::Cache] =
            cache.path().toStdString();
        registry.GetLoader()->Load();
        env.platform.processes.emplace_back(4242, GTK4_FIXTURE);
        platform::FakePlatform::Window window;
        window.processId = 4242;
        window.windowClass = "quorvel-fixture";
        env.platform.windows[7] = window;
        env.platform.foregroundWindow = 7;
        activeWindow.Poll();
    }

    // Waits until the loader holds a program's live shortcuts.
    static bool WaitForLive(const CLiveController& controller)
    {
        const QDeadlineTimer deadline(10000);
        while (controller.LiveLoader().Programs().empty() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return !controller.LiveLoader().Programs().empty();
    }

    const PrivateBus bus;
    FakeEnvironment env;
    QTemporaryDir cache;
    CDBRegistry registry;
    CShortCutSetLoader base{env.platform, registry};
    CActiveWindow activeWindow{env.platform};
};

} // namespace

TEST_F(LiveControllerTest, ReadsOnlyWhatTheSettingsAndTheBaseAllow)
{
    CLiveController controller(env.platform, registry, base, activeWindow, bus.Connection());
    // Nothing is read before the settings switch live reading on.
    EXPECT_FALSE(controller.ActiveTarget());
    controller.SetEnabled(true);
    const std::optional<live::LiveTarget> target = controller.ActiveTarget();
    ASSERT_TRUE(target);
    EXPECT_EQ(target->program.executable, GTK4_FIXTURE);
    controller.OnActiveWindowChange();
    ASSERT_TRUE(WaitForLive(controller));
    EXPECT_FALSE(controller.LiveLoader().Programs().front().shortcuts.empty());

    // Switched off: what was read is forgotten and nothing more is read.
    controller.SetEnabled(false);
    EXPECT_TRUE(controller.LiveLoader().Programs().empty());
    EXPECT_FALSE(controller.ActiveTarget());

    // On again, but the base switches the program off.
    controller.SetEnabled(true);
    ASSERT_TRUE(controller.ActiveTarget());
    DataSet& programs = *registry.GetPrograms();
    programs.Insert();
    programs.FieldByName("FileName").SetValue(std::string(GTK4_FIXTURE));
    programs.FieldByName("LiveReadingOff").SetValue(true);
    programs.Post();
    EXPECT_FALSE(controller.ActiveTarget());
    programs.Edit();
    programs.FieldByName("LiveReadingOff").SetValue(false);
    programs.Post();
    EXPECT_TRUE(controller.ActiveTarget());
}
