#pragma once

#include "shell/Mutex.h"

#include <QWidget>

#include <memory>

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

    // Name of the message a later copy sends to the first one.
    static constexpr const char* OtherInstanceMessage = "OtherInstanseOfQuorvelStarted";
    static constexpr const char* MessageChannel = "quorvel";

private:
    void BuildForm();
    void TranslateMenu();
    void TellFirstInstance();
    // Sizes the overlay for the screen under the mouse pointer and centres it there.
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

    CMutex guard_;
    std::unique_ptr<TfrmAbout> frmAbout_;
    bool firstInstance_ = false;
};

// The overlay's size at 120 dpi.
constexpr int OverlayDesignWidth = 1566;
constexpr int OverlayDesignHeight = 631;
