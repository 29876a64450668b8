#include "shell/MainForm.h"

#include "database/DataSetLoader.h"
#include "packs/PackImport.h"
#include "packs/ShortcutPack.h"
#include "database/Registry.h"
#include "database/ShortCutSetLoader.h"
#include "editor/DBEditor.h"
#include "framework/Exception.h"
#include "keyboard/KeyLayoutLoader.h"
#include "platform/Platform.h"
#include "services/ActiveWindow.h"
#include "desktop/Autostart.h"
#include "desktop/GnomeShortcut.h"
#include "services/Translation.h"
#include "shell/About.h"
#include "shell/CheatSheet.h"
#include "shell/Help.h"
#include "shell/KeyScanner.h"
#include "shell/Keyboard.h"
#include "shell/Log.h"
#include "shell/OverlayHint.h"
#include "shell/PackCommands.h"
#include "shell/SettingsDialog.h"
#include "shell/TriggerKeys.h"
#include "util/MessageBox.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "packs/FirstRun.h"
#include "windows/Processes.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <variant>

#include <algorithm>
#include <utility>

// The pictures are compiled into this static library: register them before first use.
static void InitResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

// Long enough to read a few lines.
constexpr int TrayMessageMs = 15000;

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

// What a desktop's shortcut settings run to show the overlay.
std::vector<std::string> ShowCommand()
{
    return {platform::Get().GetExecutablePath(), "--show"};
}

} // namespace

TMainForm::TMainForm(bool showOverlay) : showRequested_(showOverlay)
{
    InitResources();
    BuildForm();
    TranslateMenu();

    // A later copy builds nothing more: it only tells the first one and ends. Asked to show the
    // overlay (a desktop shortcut runs "quorvel --show"), it asks the first copy without a word.
    firstInstance_ = guard_.Acquire(InstanceLockName);
    if (!firstInstance_) {
        if (showRequested_) {
            platform::Get().SendMessageToFirstCopy(MessageChannel, ShowMessage);
        } else {
            TellFirstInstance();
        }
        return;
    }
    StartUp();
    started_ = true;
    for (auto& [path, reply] : std::exchange(pendingImports_, {})) {
        ImportHandedFile(path, reply);
    }
    if (exitRequested_) {
        // Asked for while a start-up message was open; the main loop ends as soon as it runs.
        QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
    } else if (showRequested_) {
        QTimer::singleShot(0, this, [this] {
            platform::Get().NoteUserRequest();
            ShowOverlay();
        });
    }
}

TMainForm::~TMainForm() = default;

void TMainForm::StartUp()
{
    if (!guard_.Held()) {
        MessageBoxOptions warning;
        warning.SetType(MessageType::Warning);
        ShowMessageBox(Translate("Quorvel не может проверить, запущена ли уже другая его копия: "
                                 "нет личной папки для служебных файлов. Подробности записаны в "
                                 "журнал."),
                       warning);
    }
    activeWindow_ = std::make_unique<CActiveWindow>();
    registry_ = std::make_unique<CDBRegistry>();
    keyLoader_ = std::make_unique<CKeyLayoutLoader>();
    shortCutLoader_ = std::make_unique<CShortCutSetLoader>(*registry_);
    // A key released on the real keyboard is drawn released at once.
    keyboard_ = std::make_unique<CKeyboard>(*shortCutLoader_, *keyLoader_, *activeWindow_, this,
                                            label_, 0.0);
    scanner_ = std::make_unique<CKeyScanner>();
    scanner_->SetEnabled(false);
    scanner_->OnKeyDown = [this](std::uint16_t code, std::uint16_t) {
        keyboard_->OnKeyDown(code);
        // Keys found down at the first read are the trigger's, still held.
        if (IsModifierKey(code) && !scanner_->FirstRead()) {
            HintStepDone(OverlayHintStep::HoldModifier);
        }
    };
    scanner_->OnKeyUp = [this](std::uint16_t code, std::uint16_t) { keyboard_->OnKeyUp(code); };
    scanner_->OnReadRefused = [this] { keyboard_->OnKeyStateRefused(); };
    keyboard_->OnHintStepDone = [this](OverlayHintStep step) { HintStepDone(step); };
    frmAbout_ = std::make_unique<TfrmAbout>();

    platform::Get().ListenForMessages(
        MessageChannel,
        [this](const std::string& message, const platform::Platform::MessageReply& reply) {
            OnMessage(message, reply);
        });
    ShowTrayIcon();
    // Without a notification area (a Wayland desktop with no StatusNotifierItem host) only the
    // trigger and "quorvel --show" reach the program: said once, at start.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCWarning(lcShell).noquote() << QString::fromStdString(
            Translate("Области уведомлений нет: клавиатуру показывают клавиши вызова и команда "
                      "«quorvel --show»."));
    }
    StartTrigger();
    hint_->SetDone(settings_.overlayHintsDone);

    // Either may show a message box, which runs the event loop: everything above is built.
    const FirstRunResult firstRun = LoadOrSetUpBase(*registry_, GetExeFolder() + "packs");
    keyboard_->Reload(PlaceOnScreen());
    keyboard_->Refresh();
    if (firstStart_ || firstRun.Added()) {
        Greet(firstRun);
    }

    // The editor is built when first opened: a large base costs its tree only then.
    miEditDB->setEnabled(true);
    // Left visible with its stay-on-top button down, the editor stays above other programs.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive && editor_) {
                    editor_->KeepOnTop();
                }
            });
    // The session ending (logout, SIGTERM) ends the program by the event loop: edits are saved.
    platform::Get().OnTerminationRequest([] { QApplication::exit(0); });
    // A save under way (an import's) is finished first, and the editor's edits saved after it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        SaveEdits(false);
        registry_->GetLoader()->WaitForSaves();
    });
    // A session manager asks before the session ends; the display may be gone soon after.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveEdits(false); });
}

void TMainForm::HintStepDone(OverlayHintStep step)
{
    const auto bit = static_cast<std::uint32_t>(step);
    if (settings_.overlayHintsDone & bit) {
        return;
    }
    settings_.overlayHintsDone |= bit;
    hint_->SetDone(settings_.overlayHintsDone);
    // A damaged settings file is kept until the user saves settings: remembered for this run.
    if (settings_.Damaged()) {
        return;
    }
    try {
        settings_.Save();
    } catch (const Exception& error) {
        qCWarning(lcShell) << error.what();
    }
}

void TMainForm::SaveEdits(bool userPresent)
{
    if (!editor_) {
        return;
    }
    try {
        editor_->SaveChanges();
    } catch (const std::exception& error) {
        qCWarning(lcShell) << "the shortcut base was not saved:" << error.what();
        if (userPresent) {
            MessageBoxOptions options;
            options.SetType(MessageType::Error);
            ShowMessageBox(error.what(), options);
        }
    }
}

void TMainForm::BuildForm()
{
    // A plain window, not a tool window: a tool window is made transient for the toolkit's
    // hidden leader window, which some window managers refuse; the taskbar entry is kept away
    // below instead.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Quorvel"));
    setAutoFillBackground(true);
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    silver.setColor(QPalette::WindowText, Qt::black);
    setPalette(silver);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Label"));
    // The line shows texts of the shortcut base: never markup, which could make the label load
    // any file named in it.
    label_->setTextFormat(Qt::PlainText);
    hint_ = new TOverlayHint(this);

    iconMenu_ = new QMenu(this);
    miShow = iconMenu_->addAction(ProgramIcon(), QString());
    miEditDB = iconMenu_->addAction(
        QIcon::fromTheme(QStringLiteral("document-edit"),
                         style()->standardIcon(QStyle::SP_FileDialogDetailedView)),
        QString());
    miCheatSheet =
        iconMenu_->addAction(QIcon::fromTheme(QStringLiteral("document-print"),
                                              style()->standardIcon(QStyle::SP_FileIcon)),
                             QString());
    iconMenu_->addSeparator();
    miSettings =
        iconMenu_->addAction(QIcon::fromTheme(QStringLiteral("preferences-system"),
                                              style()->standardIcon(QStyle::SP_FileDialogInfoView)),
                             QString());
    miHelp =
        iconMenu_->addAction(QIcon::fromTheme(QStringLiteral("help-contents"),
                                              style()->standardIcon(QStyle::SP_DialogHelpButton)),
                             QString());
    miAbout = iconMenu_->addAction(QString());
    iconMenu_->addSeparator();
    miIgnored = iconMenu_->addAction(QString());
    miExit = iconMenu_->addAction(QString());

    connect(miShow, &QAction::triggered, this, [this] { miShowClick(); });
    connect(miCheatSheet, &QAction::triggered, this, [this] { miCheatSheetClick(); });
    connect(miSettings, &QAction::triggered, this, [this] { miSettingsClick(); });
    connect(miHelp, &QAction::triggered, this, [this] { miHelpClick(); });
    connect(miAbout, &QAction::triggered, this, [this] { miAboutClick(); });
    connect(miExit, &QAction::triggered, this, [this] { miExitClick(); });
    connect(miEditDB, &QAction::triggered, this, [this] { miEditDBClick(); });
    // Enabled once start-up has built the editor.
    miEditDB->setEnabled(false);

    trayIcon_ = new QSystemTrayIcon(ProgramIcon(), this);
    trayIcon_->setToolTip(
        QStringLiteral("Quorvel (%1)").arg(QString::fromStdString(TriggerText(DefaultTrigger()))));
    trayIcon_->setContextMenu(iconMenu_);
    // Any click on the icon opens the menu; no window is restored.
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick) {
                    iconMenu_->popup(QCursor::pos());
                }
            });
    // The greeting offers what the settings hold. A press on the icon while a message shows
    // counts as a click on the message too: a press that opened the menu leaves it open.
    connect(trayIcon_, &QSystemTrayIcon::messageClicked, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (messageOffersSettings_ && !iconMenu_->isVisible()) {
                miSettingsClick();
            }
        });
    });
}

QLabel* TMainForm::Hint() const
{
    return hint_;
}

void TMainForm::TranslateMenu()
{
    miShow->setText(QString::fromStdString(Translate("Показать")));
    miEditDB->setText(QString::fromStdString(Translate("Редактирование сочетаний клавиш")));
    miCheatSheet->setText(QString::fromStdString(Translate("Шпаргалка...")));
    miSettings->setText(QString::fromStdString(Translate("Настройки…")));
    miHelp->setText(QString::fromStdString(Translate("Справка")));
    miAbout->setText(QString::fromStdString(Translate("О программе")));
    miIgnored->setText(QString::fromStdString(Translate("Закрыть это меню")));
    miExit->setText(QString::fromStdString(Translate("Выход")));
}

void TMainForm::TellFirstInstance()
{
    MessageBoxOptions options;
    options.SetType(MessageType::Information);
    options.AddButton(MessageButton::OK);
    // The running copy uses the trigger of the settings.
    CSettings settings;
    settings.Load();
    ShowMessageBox(FormatText(Translate("Программа Quorvel уже запущена. Нажмите %s, чтобы "
                                        "увидеть горячие клавиши, или щёлкните значок Quorvel в "
                                        "области уведомлений (рядом с часами), чтобы открыть его "
                                        "меню."),
                              TriggerText(settings.values.trigger)),
                   options);
    platform::Get().SendMessageToFirstCopy(MessageChannel, OtherInstanceMessage);
}

void TMainForm::OnMessage(const std::string& message, const platform::Platform::MessageReply& reply)
{
    // Showing the tray icon is safe at any time, during start-up too.
    if (message == OtherInstanceMessage) {
        ShowTrayIcon();
    } else if (message == ShowMessage) {
        // The request's own time: the window manager would refuse an older one (the last
        // trigger's) once the user has worked elsewhere since.
        platform::Get().NoteUserRequest();
        if (started_) {
            ShowOverlay();
        } else {
            showRequested_ = true;
        }
    } else if (const auto path = ImportRequestFile(message)) {
        // Until the base is loaded, an import would be lost to the load.
        if (started_) {
            ImportHandedFile(*path, reply);
        } else {
            pendingImports_.emplace_back(*path, reply);
        }
    }
}

void TMainForm::ImportHandedFile(const std::string& path,
                                 const platform::Platform::MessageReply& reply)
{
    // Read, checked and merged into snapshots of the tables in a worker, so that a large file
    // never holds up the overlay; the merge is applied here, where the base lives, and the base
    // saved on the loader's thread.
    if (editor_) {
        editor_->PostEdits();
    }
    struct Work
    {
        TableSnapshot programs;
        TableSnapshot shortcuts;
        std::variant<PackFile, std::string> read;
        MergePlan plan;
    };
    auto work = std::make_shared<Work>(
        Work{registry_->GetPrograms()->Snapshot(), registry_->GetShortcuts()->Snapshot(), {}, {}});
    QThread* worker = QThread::create([path, work] {
        try {
            work->read = ReadPackFile(path);
            const auto& packs = std::get<PackFile>(work->read).packs;
            work->plan = PlanMerge(std::move(work->programs), std::move(work->shortcuts), packs);
        } catch (const Exception& error) {
            work->read = std::string(error.what());
        }
    });
    connect(worker, &QThread::finished, this, [this, worker, path, work, reply] {
        worker->deleteLater();
        if (const auto* problem = std::get_if<std::string>(&work->read)) {
            FinishImport(ImportOutcome{false, *problem}, reply);
            return;
        }
        ImportReport report = work->plan.report;
        TableSnapshot programs = std::move(work->plan.mergedPrograms);
        TableSnapshot shortcuts = std::move(work->plan.mergedShortcuts);
        // Edited meanwhile: merged again here, into the tables as they are now.
        if (!ApplyMerge(*registry_, work->plan)) {
            report = MergePacks(*registry_, std::get<PackFile>(work->read).packs);
            programs = registry_->GetPrograms()->Snapshot();
            shortcuts = registry_->GetShortcuts()->Snapshot();
        }
        report.notes = std::get<PackFile>(work->read).notes;
        // The editor's tree shows what came.
        if (editor_) {
            editor_->ReloadTree();
        }
        // Worded back here once saved: the catalogue is read on this thread only.
        registry_->GetLoader()->SaveInBackground(
            std::move(programs), std::move(shortcuts),
            [this, path, report, reply](const std::string& problem) {
                QMetaObject::invokeMethod(
                    this,
                    [this, path, report, reply, problem] {
                        FinishImport(DescribeImportSaved(path, report, problem), reply);
                    },
                    Qt::QueuedConnection);
            });
    });
    worker->start();
}

void TMainForm::FinishImport(const ImportOutcome& outcome,
                             const platform::Platform::MessageReply& reply)
{
    ShowTrayMessage(outcome.text, !outcome.succeeded);
    reply(ImportAnswer(outcome));
}

void TMainForm::ShowTrayMessage(const std::string& text, bool problem)
{
    messageOffersSettings_ = false;
    trayIcon_->showMessage(QStringLiteral("Quorvel"), QString::fromStdString(text),
                           problem ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information,
                           TrayMessageMs);
}

bool TMainForm::GrabsItself(const SettingsValues& values) const
{
    return !(values.desktopShortcut && desktop_.gnomeShortcuts);
}

void TMainForm::StartTrigger()
{
    settings_.Load();
    keyLoader_->SetShape(settings_.values.keyboardShape);
    desktop_ = InspectDesktop();
    firstStart_ = !settings_.Existed();
    if (firstStart_) {
        SetUpFirstTrigger();
    }
    const SettingsValues& values = settings_.values;
    if (GrabsItself(values)) {
        if (platform::Get().RegisterHotKey(values.trigger.modifiers, values.trigger.code,
                                           [this] { ShowOverlay(); })) {
            grabbed_ = values.trigger;
        }
    } else if (GnomeShortcutBinding() != AcceleratorOf(values.trigger)) {
        SetGnomeShortcut(AcceleratorOf(values.trigger), ShowCommand());
    }
    // Turned off in the settings, GNOME's shortcut goes (it may be left from an earlier run).
    if (desktop_.gnomeShortcuts && !values.desktopShortcut && !GnomeShortcutBinding().empty()) {
        RemoveGnomeShortcut();
    }
    const std::string advice = TriggerAdvice(desktop_, values.trigger, !GrabsItself(values));
    if (!grabbed_ && GrabsItself(values)) {
        qCWarning(lcShell) << "the trigger is held by another program";
    } else if (WindowManagerBlocks(desktop_, values.trigger) && GrabsItself(values)) {
        qCWarning(lcShell).noquote() << QString::fromStdString(advice);
    }
    UpdateTrayHint();
    if (firstStart_) {
        // The choices of the first start become the user's settings.
        try {
            settings_.Save();
        } catch (const Exception& error) {
            qCWarning(lcShell) << error.what();
        }
    }
}

void TMainForm::SetUpFirstTrigger()
{
    SettingsValues& values = settings_.values;
    if (!WindowManagerBlocks(desktop_, values.trigger)) {
        return;
    }
    // GNOME runs its own shortcuts whatever it does with the Windows key alone.
    if (desktop_.gnomeShortcuts && SetGnomeShortcut(AcceleratorOf(values.trigger), ShowCommand())) {
        values.desktopShortcut = true;
        return;
    }
    values.trigger = TriggerWithoutWinKey();
    triggerReplaced_ = true;
}

std::string TMainForm::HowToShow() const
{
    const SettingsValues& values = settings_.values;
    const std::string keys = TriggerText(values.trigger);
    const bool desktopRuns = !GrabsItself(values);
    if (!desktopRuns && !grabbed_) {
        return FormatText(Translate("Сочетание %s занято другой программой: выберите другое в "
                                    "настройках Quorvel."),
                          keys);
    }
    if (!desktopRuns && WindowManagerBlocks(desktop_, values.trigger)) {
        return TriggerAdvice(desktop_, values.trigger, false);
    }
    std::string text = FormatText(Translate("Нажмите %s, чтобы увидеть горячие клавиши."), keys);
    if (desktopRuns) {
        text += '\n' + TriggerAdvice(desktop_, values.trigger, true);
    } else if (triggerReplaced_) {
        text += '\n' + FormatText(Translate("%s забирает клавишу Win себе, поэтому Quorvel "
                                            "вызывается сочетанием %s."),
                                  WinKeyOwnerName(desktop_.winKeyOwner), keys);
    }
    return text;
}

void TMainForm::UpdateTrayHint()
{
    const SettingsValues& values = settings_.values;
    std::string hint = "Quorvel (";
    hint += TriggerText(values.trigger) + ")";
    if (!grabbed_ && GrabsItself(values)) {
        hint += '\n';
        hint += Translate("Это сочетание занято другой программой: выберите другое в настройках "
                          "Quorvel.");
    } else if (const std::string advice =
                   TriggerAdvice(desktop_, values.trigger, !GrabsItself(values));
               !advice.empty()) {
        hint += '\n';
        hint += advice;
    }
    trayIcon_->setToolTip(QString::fromStdString(hint));
}

void TMainForm::Greet(const FirstRunResult& firstRun)
{
    std::string text =
        firstRun.Added() ? DescribeFirstRun(firstRun) : Translate("Quorvel запущен.");
    text += '\n' + HowToShow() + '\n';
    text += Translate("Щёлкните здесь, чтобы открыть настройки: там можно сменить сочетание и "
                      "включить запуск Quorvel при входе в систему.");
    greeting_ = text;
    // The message points at the icon: it waits (a while) until the notification area has
    // taken the icon in.
    auto* wait = new QTimer(this);
    wait->setInterval(250);
    connect(wait, &QTimer::timeout, this, [this, wait, tries = 0]() mutable {
        if (trayIcon_->geometry().isEmpty() && ++tries < 40) {
            return;
        }
        wait->deleteLater();
        trayIcon_->showMessage(QStringLiteral("Quorvel"), QString::fromStdString(greeting_),
                               QSystemTrayIcon::Information, 30000);
        messageOffersSettings_ = true;
    });
    wait->start();
}

std::string TMainForm::ApplySettings(const SettingsValues& values)
{
    SettingsValues& current = settings_.values;
    const bool grabNext = GrabsItself(values);
    // Grabbed before the old one is released: a refusal leaves the old trigger working.
    if (grabNext && grabbed_ != values.trigger) {
        if (!platform::Get().RegisterHotKey(values.trigger.modifiers, values.trigger.code,
                                            [this] { ShowOverlay(); })) {
            if (!grabbed_) {
                return Translate("Это сочетание занято другой программой: выберите другое в "
                                 "настройках Quorvel.");
            }
            return FormatText(Translate("Сочетание %s занято другой программой. Прежнее "
                                        "сочетание %s продолжает работать."),
                              TriggerText(values.trigger), TriggerText(*grabbed_));
        }
        if (grabbed_) {
            platform::Get().UnregisterHotKey(grabbed_->modifiers, grabbed_->code);
        }
        grabbed_ = values.trigger;
    }
    std::string failure;
    if (!grabNext) {
        if (!SetGnomeShortcut(AcceleratorOf(values.trigger), ShowCommand())) {
            failure = Translate("Не удалось зарегистрировать сочетание в настройках клавиатуры "
                                "GNOME.");
        } else if (grabbed_) {
            platform::Get().UnregisterHotKey(grabbed_->modifiers, grabbed_->code);
            grabbed_.reset();
        }
    } else if (current.desktopShortcut && !RemoveGnomeShortcut()) {
        failure = Translate("Не удалось убрать сочетание из настроек клавиатуры GNOME.");
    }
    if (failure.empty()) {
        current = values;
    } else {
        current.trigger = grabbed_.value_or(current.trigger);
    }
    try {
        if (values.startAtLogin) {
            WriteAutostartEntry(platform::Get().GetExecutablePath());
        } else {
            RemoveAutostartEntry();
        }
        current.startAtLogin = values.startAtLogin;
        current.keyboardShape = values.keyboardShape;
        keyLoader_->SetShape(values.keyboardShape);
        settings_.Save();
    } catch (const Exception& error) {
        failure = failure.empty() ? error.what() : failure;
    }
    UpdateTrayHint();
    return failure;
}

void TMainForm::ShowTrayIcon()
{
    trayIcon_->setVisible(true);
}

void TMainForm::ShowOverlay()
{
    if (!started_) {
        return;
    }
    const auto window = static_cast<platform::WindowId>(winId());
    // Iconified, shaded or left on another desktop by the window manager, the window is still
    // shown as far as the toolkit knows: shown afresh, it comes back as a new window does.
    if (isVisible() && !platform::Get().IsWindowShownNormally(window)) {
        hide();
    }
    scanner_->SetEnabled(true);
    // The window manager maps the window while the keyboard is brought up to date: nothing is
    // painted before the event loop runs again, and by then the keys are ready.
    const double scale = PlaceOnScreen();
    if (!isVisible()) {
        platform::Get().PrepareOverlay(window);
    }
    show();
    raise();
    platform::Get().FlushWindowRequests();
    // The overlay shows the base as the editor shows it, edits not yet posted included.
    if (editor_) {
        editor_->PostEdits();
    }
    try {
        keyboard_->Reload(scale);
    } catch (...) {
        hide();
        throw;
    }
    keyboard_->Refresh();
    ForceForegroundWindow(window);
}

void TMainForm::moveEvent(QMoveEvent* event)
{
    // Some window managers (i3) place a new floating window's frame where the window was asked to
    // go, shifting the window by the frame's border and title; asked again once it is managed,
    // they put the window itself there.
    if (isVisible() && !placementCorrected_ && geometry().topLeft() != placement_.topLeft()) {
        placementCorrected_ = true;
        setGeometry(placement_);
    }
    QWidget::moveEvent(event);
}

void TMainForm::hideEvent(QHideEvent* event)
{
    // Hidden, the overlay needs no key events, and the program's key state is refused while
    // another program is active anyway: the next show enables the scanner again. This keeps an
    // idle program from waking fifty times a second.
    if (scanner_) {
        scanner_->SetEnabled(false);
    }
    if (keyboard_) {
        keyboard_->OnParentHidden();
    }
    QWidget::hideEvent(event);
}

double TMainForm::PlaceOnScreen()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect area = screen->geometry();
    double scale = screen->logicalDotsPerInch() / 120.0;
    scale = std::min({scale, double(area.width()) / KeyboardDesignWidth,
                      double(area.height()) / KeyboardDesignHeight});
    const QSize size(qRound(KeyboardDesignWidth * scale), qRound(KeyboardDesignHeight * scale));
    setFixedSize(size);
    // The window itself goes there, whatever frame the window manager puts around it.
    placement_ = QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
    placementCorrected_ = false;
    setGeometry(placement_);

    QFont labelFont = font();
    labelFont.setPixelSize(std::max(1, qRound(23 * scale)));
    label_->setFont(labelFont);
    label_->setGeometry(qRound(20 * scale), qRound(591 * scale), size.width() - qRound(40 * scale),
                        size.height() - qRound(591 * scale));
    hint_->Place(scale, size.width());
    return scale;
}

void TMainForm::miShowClick()
{
    platform::Get().NoteUserRequest();
    ShowOverlay();
}

void TMainForm::miSettingsClick()
{
    if (!settingsDialog_ || !settingsDialog_->isVisible()) {
        settingsDialog_ = std::make_unique<TSettingsDialog>(
            settings_.values, desktop_,
            [this](const SettingsValues& values) { return ApplySettings(values); });
    }
    settingsDialog_->show();
    settingsDialog_->raise();
    settingsDialog_->activateWindow();
}

void TMainForm::miEditDBClick()
{
    if (!started_) {
        return;
    }
    if (!editor_) {
        editor_ = std::make_unique<TfrmDBEditor>(*registry_, *activeWindow_);
        editor_->Loader = registry_->GetLoader();
    }
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
}

std::string TMainForm::ActiveProgram() const
{
    CLoadedPrograms programs;
    RefreshLoadedPrograms(programs);
    const auto active = static_cast<std::int32_t>(activeWindow_->GetActiveProcessId());
    for (const auto& program : programs) {
        if (program->ProcessId == active) {
            return program->FileName;
        }
    }
    return {};
}

void TMainForm::miCheatSheetClick()
{
    const std::string program = ActiveProgram();
    if (program.empty()) {
        ShowMessageBox(Translate("Шпаргалка составляется для активной программы, а ее нет: "
                                 "перейдите в нужную программу и выберите этот пункт снова."));
        return;
    }
    const QString fileName = QFileDialog::getSaveFileName(
        nullptr, QString::fromStdString(Translate("Сохранить шпаргалку")),
        QDir::home().filePath(QString::fromStdString(program) + QStringLiteral(".pdf")),
        QStringLiteral("PDF (*.pdf);;PNG (*.png)"));
    if (fileName.isEmpty()) {
        return;
    }
    if (editor_) {
        editor_->PostEdits();
    }
    const auto shortCuts = shortCutLoader_->LoadShortCuts();
    // The programs of the active window, known as the overlay knows them: one module of several
    // that share an executable.
    CLoadedPrograms running;
    RefreshLoadedPrograms(running);
    shortCuts->SetRunningPrograms(running, GetActiveProgram(*activeWindow_));
    CCheatSheet(program, shortCuts->ActiveProgramShortCuts(), *keyLoader_,
                CKeyboard::GetPath(PathType::KeyLayout))
        .Write(fileName.toStdString(), {});
}

void TMainForm::miHelpClick()
{
    OpenHelp();
}

void TMainForm::miAboutClick()
{
    frmAbout_->show();
    frmAbout_->raise();
    frmAbout_->activateWindow();
}

void TMainForm::miExitClick()
{
    if (!started_) {
        exitRequested_ = true;
        return;
    }
    // The editor's unsaved edits are written first: leaving by the menu never loses them.
    SaveEdits(true);
    QApplication::exit(0);
}
