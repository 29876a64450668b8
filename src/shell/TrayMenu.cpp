#include "shell/TrayMenu.h"

#include "services/Translation.h"
#include "shell/DesktopNotification.h"

#include <QCursor>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

// The theme's icon of that name, else the style's.
QIcon ThemeIcon(const QWidget* widget, const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), widget->style()->standardIcon(fallback));
}

void Run(const std::function<void()>& command)
{
    if (command) {
        command();
    }
}

} // namespace

CTrayMenu::CTrayMenu(QWidget* parent, TrayMenuCommands commands)
    : QObject(parent), commands_(std::move(commands))
{
    AddItems(parent);
    TranslateItems();
    icon_ = new QSystemTrayIcon(ProgramIcon(), this);
    icon_->setContextMenu(menu_);
    // Any click on the icon opens the menu; no window is restored.
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick) {
                    menu_->popup(QCursor::pos());
                }
            });
    // The greeting offers what the settings hold. A press on the icon while a message shows
    // counts as a click on the message too: a press that opened the menu leaves it open.
    connect(icon_, &QSystemTrayIcon::messageClicked, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (messageOffersSettings_ && !menu_->isVisible()) {
                Run(commands_.settings);
            }
        });
    });
}

void CTrayMenu::AddItems(QWidget* parent)
{
    menu_ = new QMenu(parent);
    show_ = menu_->addAction(ProgramIcon(), QString());
    editShortcuts_ = menu_->addAction(
        ThemeIcon(parent, "document-edit", QStyle::SP_FileDialogDetailedView), QString());
    cheatSheet_ =
        menu_->addAction(ThemeIcon(parent, "document-print", QStyle::SP_FileIcon), QString());
    menu_->addSeparator();
    settings_ = menu_->addAction(
        ThemeIcon(parent, "preferences-system", QStyle::SP_FileDialogInfoView), QString());
    help_ = menu_->addAction(ThemeIcon(parent, "help-contents", QStyle::SP_DialogHelpButton),
                             QString());
    about_ = menu_->addAction(QString());
    menu_->addSeparator();
    // Closes the menu and does nothing else.
    close_ = menu_->addAction(QString());
    exit_ = menu_->addAction(QString());

    const auto bind = [this](QAction* item, std::function<void()> TrayMenuCommands::*command) {
        connect(item, &QAction::triggered, this, [this, command] { Run(commands_.*command); });
    };
    bind(show_, &TrayMenuCommands::show);
    bind(editShortcuts_, &TrayMenuCommands::editShortcuts);
    bind(cheatSheet_, &TrayMenuCommands::cheatSheet);
    bind(settings_, &TrayMenuCommands::settings);
    bind(help_, &TrayMenuCommands::help);
    bind(about_, &TrayMenuCommands::about);
    bind(exit_, &TrayMenuCommands::exit);
    // An item without a command is not offered on this desktop.
    cheatSheet_->setVisible(static_cast<bool>(commands_.cheatSheet));
    // Enabled once start-up has loaded the base.
    editShortcuts_->setEnabled(false);
}

void CTrayMenu::TranslateItems()
{
    const auto text = [](const char* russian) {
        return QString::fromStdString(Translate(russian));
    };
    show_->setText(text("Показать"));
    editShortcuts_->setText(text("Редактирование сочетаний клавиш"));
    cheatSheet_->setText(text("Шпаргалка..."));
    settings_->setText(text("Настройки…"));
    help_->setText(text("Справка"));
    about_->setText(text("О программе"));
    close_->setText(text("Закрыть это меню"));
    exit_->setText(text("Выход"));
}

void CTrayMenu::ShowIcon()
{
    icon_->setVisible(true);
}

void CTrayMenu::SetEditorEnabled(bool enabled)
{
    editShortcuts_->setEnabled(enabled);
}

void CTrayMenu::SetToolTip(const std::string& text)
{
    icon_->setToolTip(QString::fromStdString(text));
}

CDesktopNotification* CTrayMenu::Notification()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        return nullptr;
    }
    if (!notification_) {
        notification_ = new CDesktopNotification(QDBusConnection::sessionBus(), this);
    }
    return notification_;
}

void CTrayMenu::ShowMessage(const std::string& text, bool problem)
{
    messageOffersSettings_ = false;
    if (CDesktopNotification* notification = Notification()) {
        notification->Show(text, problem, MessageMs, nullptr);
        return;
    }
    icon_->showMessage(QStringLiteral("Quorvel"), QString::fromStdString(text),
                       problem ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information,
                       MessageMs);
}

void CTrayMenu::Greet(const std::string& text)
{
    // Only an icon embedded in an X11 notification area gets a place to wait for: a
    // StatusNotifierItem never learns its place, and without any area there is none to wait for.
    if (!QSystemTrayIcon::isSystemTrayAvailable() ||
        QGuiApplication::platformName() != QLatin1String("xcb")) {
        ShowGreeting(text);
        return;
    }
    auto* wait = new QTimer(this);
    wait->setInterval(IconWaitIntervalMs);
    connect(wait, &QTimer::timeout, this, [this, wait, text, tries = 0]() mutable {
        if (icon_->geometry().isEmpty() && ++tries < IconWaitTries) {
            return;
        }
        wait->deleteLater();
        ShowGreeting(text);
    });
    wait->start();
}

void CTrayMenu::ShowGreeting(const std::string& text)
{
    if (CDesktopNotification* notification = Notification()) {
        notification->Show(text, false, GreetingMs, commands_.settings);
        return;
    }
    icon_->showMessage(QStringLiteral("Quorvel"), QString::fromStdString(text),
                       QSystemTrayIcon::Information, GreetingMs);
    messageOffersSettings_ = true;
}
