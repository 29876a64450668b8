#pragma once

#include "shell/Mutex.h"

#include <QWidget>

#include <memory>

class CClientDataSetDB;
class CDBRegistry;
class CKeyboard;
class CKeyboardScaner;
class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class TfrmAbout;

// The main window: the overlay on which the keyboard is drawn, the owner of the tray icon and
// its menu, and of every subsystem of the program.
class TMainForm : public QWidget
{
    Q_OBJECT
public:
    TMainForm();
    ~TMainForm() override;

    // False when another copy was running: that copy has been told, and this one must end.
    bool IsFirstInstance() const { return firstInstance_; }

    // Reloads the overlay for the application active now, shows it and brings it to the front.
    void ShowOverlay();
    // Makes the tray icon visible (again).
    void ShowTrayIcon();

    void miShowClick();
    void miHelpClick();
    void miAboutClick();
    void miExitClick();

    QSystemTrayIcon* TrayIcon() const { return TrayIcon_; }
    QMenu* IconMenu() const { return IconMenu_; }
    QLabel* Label() const { return Label_; }
    TfrmAbout* About() const { return frmAbout_.get(); }
    CKeyboard* Keyboard() const { return keyboard_.get(); }
    CKeyboardScaner* Scanner() const { return scanner_.get(); }

    // Name of the message a later copy sends to the first one.
    static constexpr const char* OtherInstanceMessage = "OtherInstanseOfQuorvelStarted";
    static constexpr const char* MessageChannel = "quorvel";

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void BuildForm();
    void TranslateMenu();
    void TellFirstInstance();
    // Builds the data layer, the controller, the registry and the scanner, in this order.
    void BuildSubsystems();
    // Sizes the overlay for the screen under the mouse pointer, centres it there, and sets the
    // scale at which the next keyboard is built.
    void PlaceOnScreen();
    void OnMessage(const std::string& message);

    QSystemTrayIcon* TrayIcon_ = nullptr;
    QMenu* IconMenu_ = nullptr;
    QAction* miShow = nullptr;
    QAction* miEditDB = nullptr;
    QAction* miHelp = nullptr;
    QAction* miAbout = nullptr;
    QAction* miIgnored = nullptr;
    QAction* miExit = nullptr;
    QLabel* Label_ = nullptr;

    // Declared in construction order: destroyed scanner first, guard last.
    CMutex guard_;
    std::unique_ptr<CClientDataSetDB> dataLayer_;
    std::unique_ptr<CKeyboard> keyboard_;
    std::unique_ptr<CDBRegistry> registry_;
    std::unique_ptr<CKeyboardScaner> scanner_;
    std::unique_ptr<TfrmAbout> frmAbout_;
    bool firstInstance_ = false;
};

// The overlay's size at 120 dpi.
constexpr int OverlayDesignWidth = 1566;
constexpr int OverlayDesignHeight = 631;
