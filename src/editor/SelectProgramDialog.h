#pragma once

#include "database/ShortCut.h"
#include "editor/ApplicationList.h"

#include <QDialog>

#include <string>

class CActiveWindow;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

// Lets the user name a program's executable: typed, browsed for, or picked from the applications
// with a window now, the installed applications or the running processes. The result is the path
// of an existing file.
class TSelectProgramDialog : public QDialog
{
    Q_OBJECT
public:
    TSelectProgramDialog(platform::Platform& platform, const CActiveWindow& activeWindow,
                         QWidget* parent = nullptr);

    // Rebuilds the three lists, empties the path and shows the dialog; true when closed with OK.
    bool Execute();
    std::string GetPath() const;
    // The name the program at the path goes by: its desktop entry's, else the title of a window
    // of it, else its file name.
    std::string GetProgramName() const;
    // What the chosen window, desktop entry or process tells beside the path: its window classes
    // ("; " between them) and desktop entry id. Empty for a typed or browsed path.
    std::string GetWindowClasses() const { return identity_.windowClasses; }
    std::string GetDesktopId() const { return identity_.desktopId; }
    // Clears the process selection when it stands for another path, and what a chosen entry told.
    void SetPath(const std::string& path);

    void FillProcesses();
    std::string GetSelectedProcessPath() const;

    // The lists' clicks and double-clicks.
    void ItemClick();
    void ItemDblClick();
    // Closes with OK when a file exists at the path; otherwise says what is wrong.
    void btnOkClick();
    // "Обзор...": a file dialog, executables first.
    void Button1Click();

    QTabWidget* PageControl = nullptr;
    QWidget* pageRunning = nullptr;
    QWidget* pageInstalled = nullptr;
    QWidget* pageProcesses = nullptr;
    TRunningApplicationList* RunningList = nullptr;
    TInstalledApplicationList* InstalledList = nullptr;
    QListWidget* lbProcesses = nullptr;
    QLineEdit* edtPath = nullptr;

private:
    platform::Platform& platform_;
    CLoadedPrograms processes_;
    ChosenIdentity identity_;
};
