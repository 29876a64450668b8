#include "shell/MainForm.h"

#include "database/DataSetLoader.h"
#include "packs/PackImport.h"
#include "packs/ShortcutPack.h"
#include "database/Registry.h"
#include "database/ShortCutSetLoader.h"
#include "editor/DBEditor.h"
#include "framework/Exception.h"
#include "keyboard/KeyLayoutLoader.h"
#include "live/LiveController.h"
#include "platform/Platform.h"
#include "services/ActiveWindow.h"
#include "services/Translation.h"
#include "shell/About.h"
#include "shell/CheatSheet.h"
#include "shell/Help.h"
#include "shell/KeyScanner.h"
#include "shell/Keyboard.h"
#include "shell/Log.h"
#include "shell/OverlayHint.h"
#include "shell/OverlaySurface.h"
#include "shell/PackCommands.h"
#include "shell/SettingsDialog.h"
#include "shell/TrayMenu.h"
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
#include <QLabel>
#include <QScreen>
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

// The overlay's background, and where its line of text lies, in design units.
const QColor OverlayColour(0xC0, 0xC0, 0xC0);
constexpr int LabelFontSize = 23;
constexpr int LabelMargin = 20;
constexpr int LabelTop = 591;
// The screen resolution at which a design unit is one pixel.
constexpr double DesignDotsPerInch = 120.0;

// Qt's Wayland platform takes the token of its next activation request from
// instance::ActivationTokenVariable (QWaylandXdgSurface::requestActivate, qtwayland 6.4).
using instance::ActivationTokenVariable;

// Without a notification area (a Wayland desktop with no StatusNotifierItem host) only the
// trigger and "quorvel --show" reach the program.
std::string NoNotificationArea()
{
    return Translate("Области уведомлений нет: клавиатуру показывают клавиши вызова и команда "
                     "«quorvel --show».");
}

// Compositors make tokens of a UUID or so: a longer one or one with other characters is not one.
constexpr std::size_t MaxActivationToken = 256;
// The windows of the menu a request may open.
constexpr const char* OpenableWindows[] = {"editor", "settings", "cheatsheet"};

// The token itself, or empty for one that is not a token.
std::string FitToken(const std::string& token)
{
    const bool fits = token.size() <= MaxActivationToken &&
                      std::all_of(token.begin(), token.end(),
                                  [](unsigned char c) { return c > ' ' && c < 0x7f; });
    return fits ? token : std::string();
}

} // namespace

TMainForm::TMainForm(platform::Platform& platform, bool showOverlay, std::string openWindow)
    : platform_(platform), guard_(platform), settings_(platform),
      trigger_(platform, settings_, [this] { ShowOverlay(); }), showRequested_(showOverlay),
      openRequested_(std::move(openWindow))
{
    InitResources();
    BuildForm();

    // A later copy builds nothing more: it only tells the first one and ends. Asked to show the
    // overlay (a desktop shortcut runs "quorvel --show"), it asks the first copy without a word.
    firstInstance_ = guard_.Acquire(InstanceLockName);
    if (!firstInstance_) {
        if (showRequested_) {
            platform_.SendMessageToFirstCopy(MessageChannel, instance::ShowRequest());
        } else if (!openRequested_.empty()) {
            platform_.SendMessageToFirstCopy(MessageChannel, OpenRequest(openRequested_));
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
            platform_.NoteUserRequest();
            ShowOverlay();
        });
    } else if (!openRequested_.empty()) {
        QTimer::singleShot(0, this, [this] { OpenWindow(std::exchange(openRequested_, {})); });
    }
}

TMainForm::~TMainForm()
{
    platform_.WatchHotKeyDescription({});
}

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
    activeWindow_ = std::make_unique<CActiveWindow>(platform_);
    registry_ = std::make_unique<CDBRegistry>();
    keyLoader_ = std::make_unique<CKeyLayoutLoader>(platform_);
    shortCutLoader_ = std::make_unique<CShortCutSetLoader>(platform_, *registry_);
    live_ = std::make_unique<CLiveController>(platform_, *registry_, *shortCutLoader_,
                                              *activeWindow_, QDBusConnection::sessionBus());
    BuildKeyboard();
    frmAbout_ = std::make_unique<TfrmAbout>(platform_);

    platform_.ListenForMessages(
        MessageChannel,
        [this](const std::string& message, const platform::Platform::MessageReply& reply) {
            OnMessage(message, reply);
        });
    StartTrigger();
    ShowTrayIcon();
    // Said once, at start.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCWarning(lcShell).noquote() << QString::fromStdString(NoNotificationArea());
    }
    hint_->SetDone(HintStepsDone());

    // Either may show a message box, which runs the event loop: everything above is built.
    const FirstRunResult firstRun =
        LoadOrSetUpBase(platform_, *registry_, GetExeFolder() + "packs");
    keyboard_->Reload(PlaceOnScreen());
    keyboard_->Refresh();
    live_->OnActiveWindowChange();
    if (trigger_.FirstStart() || firstRun.Added()) {
        Greet(firstRun);
    }

    // The editor is built when first opened: a large base costs its tree only then.
    trayMenu_->SetEditorEnabled(true);
    WatchApplication();
}

void TMainForm::BuildKeyboard()
{
    // A key released on the real keyboard is drawn released at once.
    keyboard_ = std::make_unique<CKeyboard>(platform_, live_->Loader(), *keyLoader_, *activeWindow_,
                                            this, label_, 0.0);
    // The keyboard hides the overlay when another program comes forward; that program is read.
    activeWindow_->OnChange = [this, hide = std::move(activeWindow_->OnChange)] {
        if (hide) {
            hide();
        }
        live_->OnActiveWindowChange();
    };
    scanner_ = std::make_unique<CKeyScanner>(platform_);
    scanner_->SetEnabled(false);
    scanner_->OnKeyDown = [this](std::uint16_t code, std::uint16_t rawCode) {
        keyboard_->OnKeyDown(code, rawCode);
        // The trigger's modifiers, still held from the show, teach nothing.
        if (IsModifierKey(code) && !scanner_->HeldBefore()) {
            HintStepDone(OverlayHintStep::HoldModifier);
        }
    };
    scanner_->OnKeyUp = [this](std::uint16_t code, std::uint16_t rawCode) {
        keyboard_->OnKeyUp(code, rawCode);
    };
    keyboard_->OnHintStepDone = [this](OverlayHintStep step) { HintStepDone(step); };
    if (platform_.HasOverlaySurface()) {
        surface_ = std::make_unique<COverlaySurface>(platform_, *this);
        keyboard_->ShowDescription = [this](const QPoint& globalPos, const QString& text) {
            surface_->ShowDescription(globalPos, text);
        };
    }
}

void TMainForm::WatchApplication()
{
    // Left visible with its stay-on-top button down, the editor stays above other programs.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive) {
                    return;
                }
                if (editor_) {
                    editor_->KeepOnTop();
                }
                // Another program has the keyboard: nothing counts as held any more.
                keyboard_->OnKeyStateRefused();
                scanner_->Restart();
            });
    // The session ending (logout, SIGTERM) ends the program by the event loop: edits are saved.
    platform_.OnTerminationRequest([] { QApplication::exit(0); });
    // A save under way (an import's) is finished first, and the editor's edits saved after it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        SaveEdits(false);
        registry_->GetLoader()->WaitForSaves();
    });
    // A session manager asks before the session ends; the display may be gone soon after.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SaveEdits(false); });
}

std::uint32_t TMainForm::HintStepsDone() const
{
    // Without synthetic input a click only describes a key's shortcut: nothing to teach there.
    const auto unteachable =
        platform_.CanSendInput() ? 0u : static_cast<std::uint32_t>(OverlayHintStep::ClickKey);
    return settings_.overlayHintsDone | unteachable;
}

void TMainForm::HintStepDone(OverlayHintStep step)
{
    const auto bit = static_cast<std::uint32_t>(step);
    if (settings_.overlayHintsDone & bit) {
        return;
    }
    settings_.overlayHintsDone |= bit;
    hint_->SetDone(HintStepsDone());
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
    silver.setColor(QPalette::Window, OverlayColour);
    silver.setColor(QPalette::WindowText, Qt::black);
    setPalette(silver);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Label"));
    // The line shows texts of the shortcut base: never markup, which could make the label load
    // any file named in it.
    label_->setTextFormat(Qt::PlainText);
    hint_ = new TOverlayHint(this);

    TrayMenuCommands commands;
    commands.show = [this] { miShowClick(); };
    commands.editShortcuts = [this] { miEditDBClick(); };
    // The cheat sheet is the active program's: not offered where that cannot be told.
    if (platform_.CanTellActiveProcess()) {
        commands.cheatSheet = [this] { miCheatSheetClick(); };
    }
    commands.settings = [this] { miSettingsClick(); };
    commands.help = [this] { miHelpClick(); };
    commands.about = [this] { miAboutClick(); };
    commands.exit = [this] { miExitClick(); };
    trayMenu_ = new CTrayMenu(this, std::move(commands));
}

QSystemTrayIcon* TMainForm::TrayIcon() const
{
    return trayMenu_->Icon();
}

QMenu* TMainForm::IconMenu() const
{
    return trayMenu_->Menu();
}

QLabel* TMainForm::Hint() const
{
    return hint_;
}

void TMainForm::TellFirstInstance()
{
    MessageBoxOptions options;
    options.SetType(MessageType::Information);
    options.AddButton(MessageButton::OK);
    // The running copy uses the trigger of the settings.
    CSettings settings(platform_);
    settings.Load();
    ShowMessageBox(FormatText(Translate("Программа Quorvel уже запущена. Нажмите %s, чтобы "
                                        "увидеть горячие клавиши, или щёлкните значок Quorvel в "
                                        "области уведомлений (рядом с часами), чтобы открыть его "
                                        "меню."),
                              TriggerText(settings.values.trigger)),
                   options);
    platform_.SendMessageToFirstCopy(MessageChannel, OtherInstanceMessage);
}

void TMainForm::OnMessage(const std::string& message, const platform::Platform::MessageReply& reply)
{
    // Showing the tray icon is safe at any time, during start-up too.
    if (message == OtherInstanceMessage) {
        ShowTrayIcon();
    } else if (const auto token = ShowRequestToken(message)) {
        TakeActivationToken(*token);
        // The request's own time: the window manager would refuse an older one (the last
        // trigger's) once the user has worked elsewhere since.
        platform_.NoteUserRequest();
        if (started_) {
            ShowOverlay();
        } else {
            showRequested_ = true;
        }
    } else if (const auto open = ParseOpenRequest(message)) {
        if (started_) {
            TakeActivationToken(open->token);
            OpenWindow(open->window);
            qunsetenv(ActivationTokenVariable);
        } else {
            openRequested_ = open->window;
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

std::optional<std::string> TMainForm::ShowRequestToken(const std::string& message)
{
    const std::string prefix = std::string(ShowMessage) + ' ';
    if (message == ShowMessage) {
        return std::string();
    }
    if (message.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    return FitToken(message.substr(prefix.size()));
}

std::string TMainForm::OpenRequest(const std::string& window)
{
    return instance::WithActivationToken(std::string(OpenMessage) + ' ' + window);
}

std::optional<TMainForm::OpenRequestParts> TMainForm::ParseOpenRequest(const std::string& message)
{
    const std::vector<std::string> words = SplitText(message, ' ');
    if (words.size() < 2 || words.size() > 3 || words[0] != OpenMessage ||
        std::find(std::begin(OpenableWindows), std::end(OpenableWindows), words[1]) ==
            std::end(OpenableWindows)) {
        return std::nullopt;
    }
    return OpenRequestParts{words[1], words.size() == 3 ? FitToken(words[2]) : std::string()};
}

void TMainForm::TakeActivationToken(const std::string& token)
{
    if (!token.empty()) {
        qputenv(ActivationTokenVariable, QByteArray::fromStdString(token));
    }
}

void TMainForm::OpenWindow(const std::string& window)
{
    platform_.NoteUserRequest();
    if (window == "editor") {
        miEditDBClick();
    } else if (window == "settings") {
        miSettingsClick();
    } else if (window == "cheatsheet") {
        miCheatSheetClick();
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
    trayMenu_->ShowMessage(outcome.text, !outcome.succeeded);
    reply(ImportAnswer(outcome));
}

void TMainForm::StartTrigger()
{
    settings_.Load();
    keyLoader_->SetShape(settings_.values.keyboardShape);
    live_->SetEnabled(settings_.values.liveReading);
    trigger_.Start();
    trayMenu_->SetToolTip(trigger_.TrayHint());
    // The desktop's settings may give the trigger another key.
    platform_.WatchHotKeyDescription([this] { trayMenu_->SetToolTip(trigger_.TrayHint()); });
}

void TMainForm::Greet(const FirstRunResult& firstRun)
{
    std::string text =
        firstRun.Added() ? DescribeFirstRun(firstRun) : Translate("Quorvel запущен.");
    text += '\n' + trigger_.HowToShow() + '\n';
    // The first start's greeting goes to the desktop's notifications then: it says so there too.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        text += NoNotificationArea() + '\n';
    }
    text += Translate("Щёлкните здесь, чтобы открыть настройки: там можно сменить сочетание и "
                      "включить запуск Quorvel при входе в систему.");
    greeting_ = text;
    trayMenu_->Greet(greeting_);
}

std::string TMainForm::ApplySettings(const SettingsValues& values)
{
    std::string failure = trigger_.Apply(values);
    keyLoader_->SetShape(settings_.values.keyboardShape);
    try {
        live_->ApplySettings(settings_);
    } catch (const Exception& error) {
        failure = failure.empty() ? error.what() : failure;
    }
    trayMenu_->SetToolTip(trigger_.TrayHint());
    return failure;
}

void TMainForm::ShowTrayIcon()
{
    trayMenu_->ShowIcon();
}

void TMainForm::ShowOverlay()
{
    if (!started_) {
        return;
    }
    const auto window = static_cast<platform::WindowId>(winId());
    // Iconified, shaded or left on another desktop by the window manager, the window is still
    // shown as far as the toolkit knows: shown afresh, it comes back as a new window does.
    if (isVisible() && !surface_ && !platform_.IsWindowShownNormally(window)) {
        hide();
    }
    scanner_->SetEnabled(true, KeysOfTrigger(settings_.values.trigger));
    // The window manager maps the window while the keyboard is brought up to date: nothing is
    // painted before the event loop runs again, and by then the keys are ready.
    const double scale = PlaceOnScreen();
    const bool mapping = !isVisible() && !surface_;
    if (mapping) {
        platform_.PrepareOverlay(window);
    }
    show();
    raise();
    platform_.FlushWindowRequests();
    if (mapping) {
        platform_.OverlayMapped(window);
    }
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
    // The platform's surface takes the keyboard itself.
    if (!surface_) {
        ForceForegroundWindow(platform_, window);
    }
    // A launch's token serves one show: a stale one would stand in for a fresh one later.
    qunsetenv(ActivationTokenVariable);
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
    // Hidden, the overlay needs no key events: the key-state watch stops until the next show.
    // This keeps an idle program from waking fifty times a second.
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
    double scale = screen->logicalDotsPerInch() / DesignDotsPerInch;
    scale = std::min({scale, double(area.width()) / KeyboardDesignWidth,
                      double(area.height()) / KeyboardDesignHeight});
    const QSize size(qRound(KeyboardDesignWidth * scale), qRound(KeyboardDesignHeight * scale));
    setFixedSize(size);
    // The window itself goes there, whatever frame the window manager puts around it.
    placement_ = QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
    placementCorrected_ = false;
    setGeometry(placement_);

    QFont labelFont = font();
    labelFont.setPixelSize(std::max(1, qRound(LabelFontSize * scale)));
    label_->setFont(labelFont);
    label_->setGeometry(qRound(LabelMargin * scale), qRound(LabelTop * scale),
                        size.width() - qRound(2 * LabelMargin * scale),
                        size.height() - qRound(LabelTop * scale));
    hint_->Place(scale, size.width());
    return scale;
}

void TMainForm::miShowClick()
{
    platform_.NoteUserRequest();
    ShowOverlay();
}

void TMainForm::miSettingsClick()
{
    if (!settingsDialog_ || !settingsDialog_->isVisible()) {
        settingsDialog_ = std::make_unique<TSettingsDialog>(
            platform_, settings_.values, trigger_.Desktop(),
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
        editor_ = std::make_unique<TfrmDBEditor>(platform_, *registry_, *activeWindow_);
        editor_->Loader = registry_->GetLoader();
        editor_->SetLive(&live_->LiveLoader());
    }
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
}

std::string TMainForm::ActiveProgram() const
{
    CLoadedPrograms programs;
    RefreshLoadedPrograms(platform_, programs);
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
    RefreshLoadedPrograms(platform_, running);
    shortCuts->SetRunningPrograms(running, GetActiveProgram(platform_, *activeWindow_));
    CCheatSheet(platform_, program, shortCuts->ActiveProgramShortCuts(), *keyLoader_,
                CKeyboard::GetPath(PathType::KeyLayout))
        .Write(fileName.toStdString(), {});
}

void TMainForm::miHelpClick()
{
    OpenHelp(platform_);
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
