// The KDE sources of the Wayland platform against services the test plays on a private session
// bus (the test runs under dbus-run-session): the desktop portal's GlobalShortcuts and KWin's
// scripting, each on a connection and a thread of its own.
#include "platform/Platform.h"
#include "platform/wayland/KWinWindows.h"
#include "platform/wayland/Portal.h"
#include "platform/wayland/PortalShortcuts.h"
#include "platform/wayland/WaylandPlatform.h"
#include "FakePortal.h"
#include "ScopedEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <mutex>

using namespace platform::wayland;
using fake::Eventually;
using fake::FakePortal;
using fake::FakeService;

namespace {

class PortalShortcutsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        // A service gone from the bus stays unknown to the next test's client.
        portal_.reset();
    }
    // As the platform opens it: the application registered first.
    static std::unique_ptr<PortalShortcuts> Open()
    {
        portal::RegisterApplication(QDBusConnection::sessionBus(),
                                    QStringLiteral("org.quorvel.Quorvel"));
        return PortalShortcuts::Open();
    }
    std::unique_ptr<FakePortal> portal_;
};

TEST_F(PortalShortcutsTest, NoPortalOnTheBusMeansNoTrigger)
{
    EXPECT_EQ(Open(), nullptr);
}

TEST_F(PortalShortcutsTest, Plasma527BindsTheShortcutsTheSessionIsMadeWith)
{
    portal_ = std::make_unique<FakePortal>(FakePortal::Desktop::Plasma527);
    auto shortcuts = Open();
    ASSERT_NE(shortcuts, nullptr);
    int shown = 0;
    ASSERT_TRUE(shortcuts->Bind(platform::ModWin, "q", {"quorvel", "--show"}, [&] { ++shown; }));
    // The key as the desktop names it, not as it was asked for.
    EXPECT_EQ(shortcuts->Description(), "Meta+Q");
    EXPECT_EQ(portal_->Calls(),
              (QStringList{"Register org.quorvel.Quorvel", "CreateSession quorvel show LOGO+q"}));

    // Only this session's shortcut shows the overlay.
    portal_->Activate(portal_->Session(), QStringLiteral("other"));
    portal_->Activate(QStringLiteral("/org/freedesktop/portal/desktop/session/x/y"),
                      QStringLiteral("show"));
    portal_->Activate(portal_->Session(), QStringLiteral("show"));
    EXPECT_TRUE(Eventually([&] { return shown == 1; }));
    EXPECT_FALSE(Eventually([&] { return shown > 1; }, 300));

    // A new trigger replaces the session; releasing the old one afterwards keeps the new one.
    const QString first = portal_->Session();
    ASSERT_TRUE(shortcuts->Bind(platform::ModControl, "k", {}, [&] { ++shown; }));
    EXPECT_EQ(portal_->Calls().mid(2),
              (QStringList{"Close " + first, "CreateSession quorvel show CTRL+k"}));
    shortcuts->Unbind(platform::ModWin, "q");
    EXPECT_EQ(portal_->Calls().size(), 4);
    EXPECT_EQ(shortcuts->Description(), "Meta+Q");

    // Unbound, the session is closed and an activation does nothing.
    shortcuts->Unbind(platform::ModControl, "k");
    EXPECT_EQ(portal_->Calls().constLast(), "Close " + portal_->Session());
    EXPECT_EQ(shortcuts->Description(), "");
    portal_->Activate(portal_->Session(), QStringLiteral("show"));
    EXPECT_FALSE(Eventually([&] { return shown > 1; }, 300));
}

TEST_F(PortalShortcutsTest, AKeyTheUserGivesInTheDesktopsSettingsIsTold)
{
    portal_ = std::make_unique<FakePortal>(FakePortal::Desktop::Plasma527);
    auto shortcuts = Open();
    ASSERT_NE(shortcuts, nullptr);
    ASSERT_TRUE(shortcuts->Bind(platform::ModWin, "q", {}, [] {}));
    int told = 0;
    shortcuts->WatchDescription([&] { ++told; });

    // Another session's change, and this session's with the same key, tell nothing.
    portal_->ChangeKey(QStringLiteral("/org/freedesktop/portal/desktop/session/x/y"),
                       QStringLiteral("Meta+K"));
    portal_->ChangeKey(portal_->Session(), QStringLiteral("Meta+Q"));
    EXPECT_FALSE(Eventually([&] { return told > 0; }, 300));
    EXPECT_EQ(shortcuts->Description(), "Meta+Q");

    portal_->ChangeKey(portal_->Session(), QStringLiteral("Meta+Shift+Q"));
    ASSERT_TRUE(Eventually([&] { return told == 1; }));
    EXPECT_EQ(shortcuts->Description(), "Meta+Shift+Q");

    // Unbound, a change is not taken.
    shortcuts->Unbind(platform::ModWin, "q");
    const QString closed = portal_->Session();
    portal_->ChangeKey(closed, QStringLiteral("Meta+J"));
    EXPECT_FALSE(Eventually([&] { return told > 1; }, 300));
    EXPECT_EQ(shortcuts->Description(), "");
}

TEST_F(PortalShortcutsTest, LaterDesktopsBindThroughBindShortcuts)
{
    portal_ = std::make_unique<FakePortal>(FakePortal::Desktop::Later);
    auto shortcuts = Open();
    ASSERT_NE(shortcuts, nullptr);
    EXPECT_TRUE(shortcuts->Bind(platform::ModControl | platform::ModAlt, "F1", {}, [] {}));
    EXPECT_EQ(shortcuts->Description(), "Meta+Q");
    const QStringList calls = portal_->Calls();
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[1], "CreateSession quorvel show CTRL+ALT+F1");
    EXPECT_EQ(calls[2], "BindShortcuts " + portal_->Session());
    // Its answer lists no shortcuts: they are asked for.
    EXPECT_EQ(calls[3], "ListShortcuts");
}

TEST_F(PortalShortcutsTest, ARefusalOrAFailureBindsNothing)
{
    for (const auto desktop : {FakePortal::Desktop::LaterRefused, FakePortal::Desktop::Failing}) {
        portal_ = std::make_unique<FakePortal>(desktop);
        auto shortcuts = Open();
        ASSERT_NE(shortcuts, nullptr);
        EXPECT_FALSE(shortcuts->Bind(platform::ModWin, "q", {}, [] {}));
        EXPECT_EQ(shortcuts->Description(), "");
        if (desktop == FakePortal::Desktop::LaterRefused) {
            // The session the user refused the shortcut in is closed.
            EXPECT_EQ(portal_->Calls().constLast(), "Close " + portal_->Session());
        }
        portal_.reset();
    }
}

TEST(PortalShortcutsTriggerTest, ModifiersAsThePortalNamesThem)
{
    EXPECT_EQ(PortalShortcuts::Trigger(platform::ModWin, "q"), "LOGO+q");
    EXPECT_EQ(PortalShortcuts::Trigger(platform::ModWin | platform::ModShift | platform::ModAlt |
                                           platform::ModControl,
                                       "space"),
              "SHIFT+CTRL+ALT+LOGO+space");
    EXPECT_EQ(PortalShortcuts::Trigger(platform::ModWin, ""), "");
}

// KWin's scripting: a loaded script runs when told to and then, as the real one does, reports
// the active window to the program's object.
class FakeKWin : public FakeService
{
public:
    explicit FakeKWin(bool loads = true)
        : FakeService(QStringLiteral("org.kde.KWin"), QStringLiteral("/")), loads_(loads)
    {
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        const QVariantList arguments = message.arguments();
        if (member == QLatin1String("loadScript")) {
            QFile script(arguments.value(0).toString());
            script.open(QIODevice::ReadOnly);
            Record("loadScript " + arguments.value(1).toString());
            {
                std::lock_guard lock(mutex_);
                scripts_.append(QString::fromUtf8(script.readAll()));
            }
            connection.send(message.createReply(loads_ ? ++lastId_ : -1));
        } else if (member == QLatin1String("unloadScript")) {
            Record("unloadScript " + arguments.value(0).toString());
            connection.send(message.createReply(true));
        } else if (member == QLatin1String("run") && message.path() == "/" + QString::number(1)) {
            Record(QStringLiteral("run ") + message.path());
            connection.send(message.createReply());
            Report({"{1111-aa}", "4321", "org.kde.kate", "kate", "kate"});
        } else if (member == QLatin1String("run")) {
            Record(QStringLiteral("run ") + message.path());
            connection.send(message.createReply());
        } else {
            return false;
        }
        return true;
    }
    // What the script calls: Activated with a window's facts, or Closed with its id.
    void Report(const QStringList& facts, const QString& method = QStringLiteral("Activated"))
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(KWinWindows::ServiceName, KWinWindows::ObjectPath,
                                           QStringLiteral("org.quorvel.KWinWindows"), method);
        for (const QString& fact : facts) {
            call << fact;
        }
        bus_.send(call);
    }
    QString Script(int index)
    {
        std::lock_guard lock(mutex_);
        return scripts_.value(index);
    }

private:
    bool loads_;
    int lastId_ = 0;
    std::mutex mutex_;
    QStringList scripts_;
};

const QString WatchScript = QStringLiteral(QUORVEL_KWIN_SCRIPT);

TEST(KWinWindowsTest, WithoutKWinOrItsScriptThereIsNoSource)
{
    EXPECT_EQ(KWinWindows::Open(WatchScript), nullptr);
    {
        FakeKWin refusing(false);
        EXPECT_EQ(KWinWindows::Open(WatchScript), nullptr);
        EXPECT_EQ(refusing.Calls(),
                  (QStringList{"unloadScript quorvel-windows", "loadScript quorvel-windows"}));
    }
    // A copy of the program without the script beside it asks KWin nothing.
    FakeKWin kwin;
    EXPECT_EQ(KWinWindows::Open(QStringLiteral("/nonexistent/kwin-windows.js")), nullptr);
    EXPECT_TRUE(kwin.Calls().isEmpty());
    // The name the script calls is not kept.
    EXPECT_FALSE(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(KWinWindows::ServiceName));
}

TEST(KWinWindowsTest, TheScriptReportsTheActiveWindowUntilItIsUnloaded)
{
    FakeKWin kwin;
    auto windows = KWinWindows::Open(WatchScript);
    ASSERT_NE(windows, nullptr);
    // The script shipped, loaded afresh under its name and run.
    EXPECT_TRUE(kwin.Script(0).contains("callDBus"));
    EXPECT_EQ(kwin.Calls(), (QStringList{"unloadScript quorvel-windows",
                                         "loadScript quorvel-windows", "run /1"}));
    int changes = 0;
    windows->Watch([&] { ++changes; });
    ASSERT_TRUE(Eventually([&] { return windows->Focused().has_value() && changes == 1; }));
    const Toplevel kate = *windows->Focused();
    EXPECT_EQ(kate.pid, 4321u);
    EXPECT_EQ(kate.appId, "org.kde.kate");
    EXPECT_EQ(kate.windowClass, "kate");
    EXPECT_TRUE(kate.focused);

    // A second window: ids are kept per KWin window; none active, then the first one closed.
    kwin.Report({"{2222-bb}", "99", "", "XTerm", "xterm"});
    ASSERT_TRUE(Eventually([&] { return windows->Focused() && windows->Focused()->pid == 99; }));
    const Toplevel xterm = *windows->Focused();
    EXPECT_NE(xterm.id, kate.id);
    EXPECT_EQ(xterm.instance, "xterm");
    EXPECT_EQ(windows->Windows().size(), 2u);
    EXPECT_FALSE(windows->Find(kate.id)->focused);
    kwin.Report({"", "", "", "", ""});
    ASSERT_TRUE(Eventually([&] { return !windows->Focused(); }));
    kwin.Report({"{1111-aa}"}, QStringLiteral("Closed"));
    ASSERT_TRUE(Eventually([&] { return !windows->Find(kate.id); }));
    EXPECT_EQ(windows->Find(xterm.id)->pid, 99u);
    EXPECT_TRUE(Eventually([&] { return changes == 3; }));

    // Activation is a script of its own naming KWin's id of the window.
    windows->Activate(xterm.id);
    EXPECT_TRUE(kwin.Script(1).contains("\"{2222-bb}\""));
    EXPECT_EQ(kwin.Calls().mid(3), (QStringList{"unloadScript quorvel-activate",
                                                "loadScript quorvel-activate", "run /2"}));
    // An unknown window asks KWin nothing.
    windows->Activate(kate.id);
    EXPECT_EQ(kwin.Calls().size(), 6);

    windows.reset();
    EXPECT_EQ(kwin.Calls().mid(6),
              (QStringList{"unloadScript quorvel-windows", "unloadScript quorvel-activate"}));
    EXPECT_FALSE(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(KWinWindows::ServiceName));
}

// The platform on KDE: the trigger through the portal, named as the portal names it, the active
// window from KWin's script; no synthetic keys without a Wayland connection.
TEST(KdeWaylandPlatformTest, CapabilitiesAndTheTriggerComeFromThePortalAndKWin)
{
    ScopedEnvironment environment;
    environment.Set("SWAYSOCK", std::nullopt);
    environment.Set("WAYLAND_DISPLAY", std::nullopt);
    FakePortal portal(FakePortal::Desktop::Plasma527);
    FakeKWin kwin;
    platform::WaylandPlatform system;
    EXPECT_TRUE(system.CanGrabTrigger());
    EXPECT_TRUE(system.CanTellActiveProcess());
    EXPECT_FALSE(system.CanSendInput());
    EXPECT_EQ(system.GetWindowManagerName(), "KWin");

    int shown = 0;
    ASSERT_TRUE(system.RegisterHotKey(platform::ModWin, 'Q', [&] { ++shown; }));
    EXPECT_EQ(system.GetHotKeyDescription(), "Meta+Q");
    EXPECT_EQ(portal.Calls().constFirst(), "Register org.quorvel.Quorvel");
    EXPECT_EQ(portal.Calls().constLast(), "CreateSession quorvel show LOGO+q");
    portal.Activate(portal.Session(), QStringLiteral("show"));
    EXPECT_TRUE(Eventually([&] { return shown == 1; }));

    ASSERT_TRUE(Eventually([&] { return system.GetForegroundWindow() != 0; }));
    const platform::WindowId focused = system.GetForegroundWindow();
    EXPECT_EQ(system.GetWindowProcessId(focused), 4321u);
    EXPECT_EQ(system.GetWindowIdentity(focused).desktopId, "org.kde.kate");

    system.UnregisterHotKey(platform::ModWin, 'Q');
    EXPECT_EQ(system.GetHotKeyDescription(), "");
}

} // namespace
