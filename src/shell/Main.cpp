#include "shell/Main.h"

#include "platform/Platform.h"
#include "shell/About.h"
#include "shell/Activewindow.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>

#include <algorithm>

namespace {

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace

TMainForm::TMainForm()
{
    BuildForm();
    // Wiring point: the data layer, the overlay controller, the registry and the key-state
    // scanner are built here, in this order, once they exist.
    TranslateMenu();

    firstInstance_ = guard_.Acquire("QuorvelRunning");
    if (!firstInstance_) {
        TellFirstInstance();
        return;
    }
    platform::Get().ListenForMessages(MessageChannel,
                                      [this](const std::string& message) { OnMessage(message); });
    ShowTrayIcon();

    // A hot key held by another program leaves the program running without one, silently.
    platform::Get().RegisterHotKey(platform::ModWin, 'Q', [this] { ShowOverlay(); });

    // Wiring point: load the user's tables, wire the controller to the data layer and this
    // window, build the keyboard once, and connect the scanner's callbacks to the controller.
    CActiveWindow::Instance();
    frmAbout_ = std::make_unique<TfrmAbout>();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildForm()
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    setWindowTitle(QStringLiteral("Quorvel"));
    setAutoFillBackground(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    silver.setColor(QPalette::WindowText, Qt::black);
    setPalette(silver);

    Label_ = new QLabel(this);
    Label_->setObjectName(QStringLiteral("Label"));

    IconMenu_ = new QMenu(this);
    miShow = IconMenu_->addAction(ProgramIcon(), QString());
    miEditDB = IconMenu_->addAction(
        QIcon::fromTheme(QStringLiteral("document-edit"),
                         style()->standardIcon(QStyle::SP_FileDialogDetailedView)),
        QString());
    IconMenu_->addSeparator();
    miHelp = IconMenu_->addAction(
        QIcon::fromTheme(QStringLiteral("help-contents"),
                         style()->standardIcon(QStyle::SP_DialogHelpButton)),
        QString());
    miAbout = IconMenu_->addAction(QString());
    IconMenu_->addSeparator();
    miIgnored = IconMenu_->addAction(QString());
    miExit = IconMenu_->addAction(QString());

    connect(miShow, &QAction::triggered, this, [this] { miShowClick(); });
    connect(miHelp, &QAction::triggered, this, [this] { miHelpClick(); });
    connect(miAbout, &QAction::triggered, this, [this] { miAboutClick(); });
    connect(miExit, &QAction::triggered, this, [this] { miExitClick(); });
    // Wiring point: the shortcut editor opens from here once it exists; until then the item
    // is shown disabled.
    miEditDB->setEnabled(false);

    TrayIcon_ = new QSystemTrayIcon(ProgramIcon(), this);
    TrayIcon_->setToolTip(QStringLiteral("Quorvel (Win + Q)"));
    TrayIcon_->setContextMenu(IconMenu_);
    // Any click on the icon opens the menu; no window is restored.
    connect(TrayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick) {
                    IconMenu_->popup(QCursor::pos());
                }
            });
}

void TMainForm::TranslateMenu()
{
    miShow->setText(QString::fromStdString(Translate("Показать")));
    miEditDB->setText(QString::fromStdString(Translate("Редактирование сочетаний клавиш")));
    miHelp->setText(QString::fromStdString(Translate("Справка")));
    miAbout->setText(QString::fromStdString(Translate("О программе")));
    miIgnored->setText(QString::fromStdString(Translate("Закрыть это меню")));
    miExit->setText(QString::fromStdString(Translate("Выход")));
}

void TMainForm::TellFirstInstance()
{
    MessageBoxOptions options;
    options.SetType(mtInformation);
    options.AddButton(mbOK);
    ShowMessageBox(Translate("Программа Quorvel уже запущена. Нажмите Win+Q, чтобы увидеть "
                             "горячие клавиши или щелкните на иконку приложения в системном "
                             "трее(рядом с часами), чтобы получить доступ к приложению."),
                   options);
    platform::Get().SendMessageToFirstCopy(MessageChannel, OtherInstanceMessage);
}

void TMainForm::OnMessage(const std::string& message)
{
    if (message == OtherInstanceMessage) {
        ShowTrayIcon();
    }
}

void TMainForm::ShowTrayIcon()
{
    TrayIcon_->setVisible(true);
}

void TMainForm::ShowOverlay()
{
    // Wiring point: enable the key-state scanner, then reload and refresh the controller.
    PlaceOnScreen();
    show();
    raise();
    ForceForegroundWindow(static_cast<platform::WindowId>(winId()));
}

void TMainForm::PlaceOnScreen()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect area = screen->geometry();
    double scale = screen->logicalDotsPerInch() / 120.0;
    scale = std::min({scale, double(area.width()) / OverlayDesignWidth,
                      double(area.height()) / OverlayDesignHeight});
    const QSize size(qRound(OverlayDesignWidth * scale), qRound(OverlayDesignHeight * scale));
    setFixedSize(size);
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));

    QFont labelFont = font();
    labelFont.setPixelSize(std::max(1, qRound(23 * scale)));
    Label_->setFont(labelFont);
    Label_->setGeometry(qRound(20 * scale), qRound(591 * scale), size.width() - qRound(40 * scale),
                        size.height() - qRound(591 * scale));
}

void TMainForm::miShowClick()
{
    ShowOverlay();
}

void TMainForm::miHelpClick()
{
    const std::string folder = GetExeFolder();
    std::string target = folder + "quickstart";
    if (!QFileInfo::exists(QString::fromStdString(target))) {
        target = folder + "en/quorvel.html";
    }
    platform::Get().ShellOpen(target);
}

void TMainForm::miAboutClick()
{
    frmAbout_->show();
    frmAbout_->raise();
    frmAbout_->activateWindow();
}

void TMainForm::miExitClick()
{
    // Ends at once; nothing unsaved lives here (the editor saves on its own exit).
    QApplication::exit(0);
}
