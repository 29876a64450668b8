#pragma once

#include "platform/Platform.h"
#include "desktop/Desktop.h"
#include "services/InstanceLock.h"
#include "desktop/Settings.h"
#include "shell/InstanceRequests.h"
#include "shell/TriggerController.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CActiveWindow;
class CDBRegistry;
class CKeyboard;
class CKeyLayoutLoader;
class CKeyScanner;
class COverlaySurface;
class CShortCutSetLoader;
class CLiveController;
struct FirstRunResult;
struct ImportOutcome;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class CTrayMenu;
class TOverlayHint;
enum class OverlayHintStep : std::uint32_t;
class TfrmAbout;
class TSettingsDialog;
class TfrmDBEditor;

// The main window: the overlay on which the keyboard is drawn, and the owner of the tray menu,
// the trigger and every other subsystem of the program, which it wires together.
class TMainForm : public QWidget
{
    Q_OBJECT
public:
    // showOverlay: show the overlay once started; openWindow: open that window once started
    // (OpenWindow). A later copy asks the first one to do it.
    explicit TMainForm(platform::Platform& platform, bool showOverlay = false,
                       std::string openWindow = {});
    ~TMainForm() override;

    // False when another copy was running: that copy has been told, and this one must end.
    bool IsFirstInstance() const { return firstInstance_; }

    // Reloads the overlay for the application active now, shows it and brings it to the front.
    // Ignored until start-up has finished.
    void ShowOverlay();
    // Makes the tray icon visible (again).
    void ShowTrayIcon();

    void miShowClick();
    void miSettingsClick();
    void miEditDBClick();
    // Asks where to save a cheat sheet of the active program's shortcuts and writes it.
    void miCheatSheetClick();
    void miHelpClick();
    void miAboutClick();
    // Ends the program; asked during start-up, it ends once start-up has finished.
    void miExitClick();

    QSystemTrayIcon* TrayIcon() const;
    QMenu* IconMenu() const;
    QLabel* Label() const { return label_; }
    // The line under the keyboard that teaches how to use the overlay.
    QLabel* Hint() const;
    TfrmAbout* About() const { return frmAbout_.get(); }
    TSettingsDialog* SettingsDialog() const { return settingsDialog_.get(); }
    const CSettings& Settings() const { return settings_; }
    const DesktopFacts& Desktop() const { return trigger_.Desktop(); }

    // Takes the values of the settings dialog (CTriggerController::Apply) and draws the keyboard
    // in the shape chosen. The translated reason for what was not taken, or the empty text.
    std::string ApplySettings(const SettingsValues& values);
    // The trigger grabbed by this program; nullopt while none is (refused, or the desktop's own
    // shortcut settings run "quorvel --show").
    const std::optional<Trigger>& GrabbedTrigger() const { return trigger_.Grabbed(); }
    // The tray message of a first start; empty when there was none.
    const std::string& Greeting() const { return greeting_; }
    // Null until the editor is first opened.
    TfrmDBEditor* Editor() const { return editor_.get(); }
    CKeyboard* Keyboard() const { return keyboard_.get(); }
    CKeyScanner* Scanner() const { return scanner_.get(); }
    CActiveWindow* ActiveWindow() const { return activeWindow_.get(); }
    CDBRegistry* Registry() const { return registry_.get(); }

    // Name of the marker the running copy holds.
    static constexpr const char* InstanceLockName = "QuorvelRunning";
    // Names of the messages a later copy sends to the first one.
    static constexpr const char* OtherInstanceMessage = "OtherInstanceOfQuorvelStarted";
    static constexpr const char* ShowMessage = instance::ShowMessage;
    // The token of a show message: empty without one (or an unfit one); nullopt for another
    // message.
    static std::optional<std::string> ShowRequestToken(const std::string& message);
    // A request to open a window of the menu ("editor", "settings", "cheatsheet", as a desktop
    // entry's actions ask), with the activation token as the show message has it.
    static constexpr const char* OpenMessage = "open";
    static std::string OpenRequest(const std::string& window);
    struct OpenRequestParts
    {
        std::string window;
        std::string token;
    };
    // The window and token of an open message; nullopt for another message or an unknown window.
    static std::optional<OpenRequestParts> ParseOpenRequest(const std::string& message);
    // Opens the menu's window: the shortcut editor, the settings or the active program's cheat
    // sheet.
    void OpenWindow(const std::string& window);
    static constexpr const char* MessageChannel = instance::MessageChannel;

protected:
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildForm();
    void TellFirstInstance();
    // Builds the overlay controller and the key scanner and wires them to each other.
    void BuildKeyboard();
    // Follows the application's state and end: the editor kept on top, its edits saved when the
    // program or the session ends.
    void WatchApplication();
    // Builds the subsystems, loads the base and the keyboard: the part of start-up during which
    // message boxes may run the event loop before the program is ready.
    void StartUp();
    // Sizes the overlay for the screen under the mouse pointer and centres it there; the scale
    // of the design units on that screen.
    double PlaceOnScreen();
    void OnMessage(const std::string& message, const platform::Platform::MessageReply& reply);
    // Sets the launch's activation token for the next window this program raises.
    static void TakeActivationToken(const std::string& token);
    // Reads the settings and starts the trigger.
    void StartTrigger();
    // The user has done a step the overlay's hint teaches: it leaves the hint, for good.
    void HintStepDone(OverlayHintStep step);
    // The steps the hint leaves out: those done, and those the platform gives nothing to do.
    std::uint32_t HintStepsDone() const;
    // One tray message: what the first start added to the base, how to show the overlay, and
    // where the settings are.
    void Greet(const FirstRunResult& firstRun);
    // Writes what the editor holds unsaved; a failure is shown, or only logged when nobody may
    // be there to read it.
    void SaveEdits(bool userPresent);
    // Imports a file handed over by a later copy (read in a worker thread), saves, tells the user
    // in a tray message and answers the copy how it went.
    void ImportHandedFile(const std::string& path, const platform::Platform::MessageReply& reply);
    void FinishImport(const ImportOutcome& outcome, const platform::Platform::MessageReply& reply);
    // The file name of the last active application's program; empty when none is known.
    std::string ActiveProgram() const;

    CTrayMenu* trayMenu_ = nullptr;
    QLabel* label_ = nullptr;
    TOverlayHint* hint_ = nullptr;

    // Declared in construction order: destroyed scanner first, guard last.
    platform::Platform& platform_;
    CInstanceLock guard_;
    std::unique_ptr<CActiveWindow> activeWindow_;
    std::unique_ptr<CDBRegistry> registry_;
    std::unique_ptr<CKeyLayoutLoader> keyLoader_;
    std::unique_ptr<CShortCutSetLoader> shortCutLoader_;
    std::unique_ptr<CLiveController> live_;
    std::unique_ptr<CKeyboard> keyboard_;
    std::unique_ptr<CKeyScanner> scanner_;
    // Where the platform draws the overlay on a surface of its own.
    std::unique_ptr<COverlaySurface> surface_;
    std::unique_ptr<TfrmAbout> frmAbout_;
    std::unique_ptr<TSettingsDialog> settingsDialog_;
    CSettings settings_;
    CTriggerController trigger_;
    std::unique_ptr<TfrmDBEditor> editor_;
    // Where the overlay is meant to be, and whether a window manager's placement has been
    // corrected during this showing.
    QRect placement_;
    bool placementCorrected_ = false;
    bool firstInstance_ = false;
    bool started_ = false;
    bool exitRequested_ = false;
    // Files handed over while start-up had not yet loaded the base.
    std::vector<std::pair<std::string, platform::Platform::MessageReply>> pendingImports_;
    bool showRequested_ = false;
    // The window a launch asked to open once started.
    std::string openRequested_;
    std::string greeting_;
};
