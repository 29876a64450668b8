#include "shell/TrayMenu.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Without a notification area (here: the offscreen platform, as on a Wayland desktop with no
// StatusNotifierItem host) the greeting is given at once, not after the wait for the icon's place:
// a click on it opens the settings right away.
TEST(TrayMenu, GreetingWithoutNotificationAreaIsGivenAtOnce)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    QWidget parent;
    int settingsOpened = 0;
    TrayMenuCommands commands;
    commands.settings = [&] { ++settingsOpened; };
    CTrayMenu menu(&parent, commands);

    emit menu.Icon()->messageClicked();
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsOpened, 0) << "no greeting yet: a click on a report opens nothing";

    menu.Greet("Quorvel is running.");
    emit menu.Icon()->messageClicked();
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsOpened, 1);

    menu.ShowMessage("Saved.", false);
    emit menu.Icon()->messageClicked();
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsOpened, 1) << "a later report replaces the greeting";
}

} // namespace
