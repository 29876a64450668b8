#include "shell/Main.h"

#include "database/Datasetloader.h"
#include "database/Dbregistry.h"
#include "database/Zintdb.h"
#include "platform/Platform.h"
#include "shell/About.h"
#include "shell/Keyboard.h"
#include "shell/Keyboardscaner.h"
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

// The pictures are compiled into this static library: register them before first use.
static void InitResources()
{
    Q_INIT_RESOURCE(icons);
}

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
    InitResources();
    BuildForm();
    TranslateMenu();

    // A later copy builds nothing more: it only tells the first one and ends.
    firstInstance_ = guard_.Acquire("QuorvelRunning");
    if (!firstInstance_) {
        TellFirstInstance();
        return;
    }
    BuildSubsystems();
    platform::Get().ListenForMessages(MessageChannel,
                                      [this](const std::string& message) { OnMessage(message); });
    ShowTrayIcon();

    // A hot key held by another program leaves the program running without one, silently.
    platform::Get().RegisterHotKey(platform::ModWin, 'Q', [this] { ShowOverlay(); });

    IDBRegistry().GetLoader()->Load();
    keyboard_->ShortCutLoader = dataLayer_.get();
    keyboard_->KeyLoader = dataLayer_.get();
    keyboard_->Parent = this;
    keyboard_->Label = Label_;
    keyboard_->Reload();
    keyboard_->Refresh();

    // Wiring point: the shortcut editor window is created here, given the data-set loader.

    scanner_->SetEnabled(false);
    scanner_->OnKeyDown = [this](std::uint16_t code, std::uint16_t) { keyboard_->OnKeyDown(code); };
    scanner_->OnKeyUp = [this](std::uint16_t code, std::uint16_t) { keyboard_->OnKeyUp(code); };
    CActiveWindow::Instance();
    frmAbout_ = std::make_unique<TfrmAbout>();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildSubsystems()
{
    dataLayer_ = std::make_unique<CClientDataSetDB>();
    keyboard_ = std::make_unique<CKeyboard>();
    registry_ = std::make_unique<CDBRegistry>();
    scanner_ = std::make_unique<CKeyboardScaner>();
}

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
    miHelp =
        IconMenu_->addAction(QIcon::fromTheme(QStringLiteral("help-contents"),
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
    scanner_->SetEnabled(true);
    // The scale comes first: the keys are then built and drawn at their screen size.
    PlaceOnScreen();
    keyboard_->Reload();
    keyboard_->Refresh();
    show();
    raise();
    ForceForegroundWindow(static_cast<platform::WindowId>(winId()));
}

void TMainForm::hideEvent(QHideEvent* event)
{
    // Hidden, the overlay needs no key events, and the program's key state is refused while
    // another program is active anyway: the next show enables the scanner again. This keeps an
    // idle program from waking fifty times a second.
    if (scanner_) {
        scanner_->SetEnabled(false);
    }
    QWidget::hideEvent(event);
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
    // The layout file places the keys in design units; the loader scales them by this.
    SetDesignScale(this, scale);
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
