#pragma once

#include <QObject>

#include <functional>
#include <string>

class CDesktopNotification;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;

// What the items of the tray menu do.
struct TrayMenuCommands
{
    std::function<void()> show;
    std::function<void()> editShortcuts;
    std::function<void()> cheatSheet;
    std::function<void()> settings;
    std::function<void()> help;
    std::function<void()> about;
    std::function<void()> exit;
};

// The tray icon and its menu; any click on the icon opens the menu. Tray messages: the greeting
// of a first start (a click on it opens the settings) and the reports of what was done; without a
// notification area they go to the desktop's notifications.
class CTrayMenu : public QObject
{
    Q_OBJECT
public:
    // parent: the window whose style gives the items' fallback icons and that owns the menu.
    CTrayMenu(QWidget* parent, TrayMenuCommands commands);

    QSystemTrayIcon* Icon() const { return icon_; }
    QMenu* Menu() const { return menu_; }

    // Makes the icon visible (again).
    void ShowIcon();
    // The editor item is offered once the base is loaded.
    void SetEditorEnabled(bool enabled);
    void SetToolTip(const std::string& text);
    // A message pointing at the icon; problem: a warning.
    void ShowMessage(const std::string& text, bool problem);
    // The greeting waits (a while) until an X11 notification area has taken the icon in; a click
    // on it opens the settings.
    void Greet(const std::string& text);

    // How often and how many times the greeting looks whether the icon has a place yet.
    static constexpr int IconWaitIntervalMs = 250;
    static constexpr int IconWaitTries = 40;
    // How long a report and the greeting stay: long enough to read a few lines, the greeting
    // twice that.
    static constexpr int MessageMs = 15000;
    static constexpr int GreetingMs = 30000;

private:
    void AddItems(QWidget* parent);
    void TranslateItems();
    void ShowGreeting(const std::string& text);
    // The desktop's notifications, while there is no notification area; made when first needed.
    CDesktopNotification* Notification();

    TrayMenuCommands commands_;
    QMenu* menu_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    QAction* show_ = nullptr;
    QAction* editShortcuts_ = nullptr;
    QAction* cheatSheet_ = nullptr;
    QAction* settings_ = nullptr;
    QAction* help_ = nullptr;
    QAction* about_ = nullptr;
    QAction* close_ = nullptr;
    QAction* exit_ = nullptr;
    CDesktopNotification* notification_ = nullptr;
    // A click on the message shown opens the settings.
    bool messageOffersSettings_ = false;
};
