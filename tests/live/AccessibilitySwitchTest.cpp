#include "live/AccessibilitySwitch.h"

#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using live::AccessibilityEnabled;
using live::ApplyAccessibilityChoice;

namespace {

constexpr auto LauncherName = "org.a11y.Bus";

// Waits until the launcher's name is owned, or no longer is.
void WaitForOwner(const QDBusConnection& connection, bool owned)
{
    const QDeadlineTimer deadline(10000);
    while (connection.interface()->isServiceRegistered(LauncherName) != owned &&
           !deadline.hasExpired()) {
        QThread::msleep(10);
    }
}

// at-spi2-core's bus launcher on the test's bus, started with accessibility on or off, its
// settings in memory (GSETTINGS_BACKEND=memory) so the user's own are never touched.
class BusLauncher
{
public:
    BusLauncher(const PrivateBus& bus, bool enabled) : connection_(bus.Connection())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        environment.insert("GSETTINGS_BACKEND", "memory");
        environment.remove("DISPLAY");
        launcher_.setProcessEnvironment(environment);
        launcher_.start(AT_SPI_BUS_LAUNCHER, {enabled ? "--a11y=1" : "--a11y=0"});
        WaitForOwner(connection_, true);
    }
    ~BusLauncher()
    {
        launcher_.kill();
        launcher_.waitForFinished();
        WaitForOwner(connection_, false);
    }
    BusLauncher(const BusLauncher&) = delete;
    BusLauncher& operator=(const BusLauncher&) = delete;

private:
    QDBusConnection connection_;
    QProcess launcher_;
};

} // namespace

TEST(AccessibilitySwitch, SwitchedOnWhenWantedAndOffAgainOnlyWhenQuorvelSwitchedItOn)
{
    const PrivateBus bus;
    const QDBusConnection session = bus.Connection();
    {
        const BusLauncher launcher(bus, false);
        ASSERT_EQ(AccessibilityEnabled(session), false);
        // Wanted: switched on, and remembered as Quorvel's doing.
        EXPECT_TRUE(ApplyAccessibilityChoice(session, true, false));
        EXPECT_EQ(AccessibilityEnabled(session), true);
        // Asked again: nothing changes.
        EXPECT_TRUE(ApplyAccessibilityChoice(session, true, true));
        EXPECT_EQ(AccessibilityEnabled(session), true);
        // No longer wanted: as the user had it.
        EXPECT_FALSE(ApplyAccessibilityChoice(session, false, true));
        EXPECT_EQ(AccessibilityEnabled(session), false);
    }
    {
        // The user's own accessibility: neither claimed nor switched off.
        const BusLauncher launcher(bus, true);
        ASSERT_EQ(AccessibilityEnabled(session), true);
        EXPECT_FALSE(ApplyAccessibilityChoice(session, true, false));
        EXPECT_FALSE(ApplyAccessibilityChoice(session, false, false));
        EXPECT_EQ(AccessibilityEnabled(session), true);
    }
    // Without a launcher nothing is switched on, nor claimed to be.
    EXPECT_EQ(AccessibilityEnabled(session), std::nullopt);
    EXPECT_FALSE(ApplyAccessibilityChoice(session, true, false));
}
