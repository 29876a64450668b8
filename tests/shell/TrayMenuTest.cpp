#include "shell/TrayMenu.h"

#include "FakeService.h"

#include <QDBusMetaType>
#include <QSystemTrayIcon>
#include <QWidget>

#include <gtest/gtest.h>

#include <mutex>

namespace {

using fake::Eventually;

// The desktop's notification service: its capabilities as given; each message recorded as
// "replaced-id|body|actions|timeout" and numbered from 1.
class FakeNotifications : public fake::FakeService
{
public:
    explicit FakeNotifications(QStringList capabilities)
        : FakeService(QStringLiteral("org.freedesktop.Notifications"),
                      QStringLiteral("/org/freedesktop/Notifications")),
          capabilities_(std::move(capabilities))
    {
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == QLatin1String("GetCapabilities")) {
            connection.send(message.createReply(capabilities_));
        } else if (message.member() == QLatin1String("Notify") && arguments.size() == 8) {
            Record(QStringLiteral("%1|%2|%3|%4")
                       .arg(arguments[1].toUInt())
                       .arg(arguments[4].toString(), arguments[5].toStringList().join(u','))
                       .arg(arguments[7].toInt()));
            std::lock_guard lock(mutex_);
            connection.send(message.createReply(++lastId_));
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, "unknown"));
        }
        return true;
    }
    // The user clicks the message numbered id.
    void Click(uint id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        bus_.send(signal);
    }

private:
    QStringList capabilities_;
    std::mutex mutex_;
    uint lastId_ = 0;
};

// A signal sent now has reached the program once a call made after it is answered.
void SettleBus()
{
    QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    QCoreApplication::processEvents();
}

// Without a notification area (here: the offscreen platform, as on a Wayland desktop with no
// StatusNotifierItem host) the greeting and the reports go to the desktop's notifications; a
// click on the greeting opens the settings, on a report nothing.
TEST(TrayMenu, MessagesWithoutNotificationAreaGoToTheDesktopsNotifications)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    FakeNotifications service({QStringLiteral("actions"), QStringLiteral("body")});
    QWidget parent;
    int settingsOpened = 0;
    TrayMenuCommands commands;
    commands.settings = [&] { ++settingsOpened; };
    CTrayMenu menu(&parent, commands);

    menu.Greet("Quorvel is running.");
    ASSERT_TRUE(Eventually([&] { return service.Calls().size() == 1; }));
    const QString greeting = service.Calls().at(0);
    EXPECT_TRUE(greeting.startsWith(QStringLiteral("0|Quorvel is running.|default,")))
        << greeting.toStdString();
    EXPECT_TRUE(greeting.endsWith(QStringLiteral("|%1").arg(CTrayMenu::GreetingMs)));

    emit menu.Icon()->messageClicked();
    service.Click(2);
    SettleBus();
    EXPECT_EQ(settingsOpened, 0)
        << "neither the icon nor another program's message is the greeting";
    service.Click(1);
    ASSERT_TRUE(Eventually([&] { return settingsOpened == 1; }));

    menu.ShowMessage("Saved.", false);
    ASSERT_TRUE(Eventually([&] { return service.Calls().size() == 2; }));
    EXPECT_EQ(service.Calls().at(1), QStringLiteral("1|Saved.||%1").arg(CTrayMenu::MessageMs))
        << "a report replaces the greeting and offers no click";
    service.Click(2);
    service.Click(1);
    SettleBus();
    EXPECT_EQ(settingsOpened, 1);
}

// The base's texts are never read as markup by a service that would, and no click is offered
// where the service shows no actions.
TEST(TrayMenu, NotificationBodyIsPlainText)
{
    FakeNotifications service({QStringLiteral("body"), QStringLiteral("body-markup")});
    QWidget parent;
    TrayMenuCommands commands;
    commands.settings = [] {};
    CTrayMenu menu(&parent, commands);

    menu.Greet("Added <b>Gimp</b> & \"Inkscape\"");
    ASSERT_TRUE(Eventually([&] { return service.Calls().size() == 1; }));
    EXPECT_TRUE(service.Calls().at(0).startsWith(
        QStringLiteral("0|Added &lt;b&gt;Gimp&lt;/b&gt; &amp; &quot;Inkscape&quot;||")))
        << service.Calls().at(0).toStdString();
}

} // namespace
