#pragma once

#include "editor/DescriptionFrame.h"
#include "platform/Platform.h"

#include <optional>
#include <string>

class CActiveWindow;
class QLabel;
class QPushButton;
class TDBCheckBox;
class TDBEdit;
class TSelectProgramDialog;

// An executable the user chose, the name it goes by, and what the chosen window or desktop entry
// tells of it: its window classes ("; " between them) and desktop entry id.
struct TChosenProgram
{
    std::string path;
    std::string name;
    std::string windowClasses;
    std::string desktopId;
};

// A program's name, executable, window classes and desktop entry, whether its own menus are read
// while it runs, and a button to give it a shortcut.
class TProgramDescriptionFrame : public IDescriptionFrame
{
    Q_OBJECT
public:
    TProgramDescriptionFrame(platform::Platform& platform, CDBRegistry& registry,
                             const TCreateHooks& hooks, const CActiveWindow& activeWindow,
                             QWidget* parent);
    ~TProgramDescriptionFrame() override;

    void ShowFrame() override;
    void HideFrame() override;
    void SetFocus() override;

    // "Выбрать приложение...": the chosen executable becomes the program's path, with the window
    // classes and desktop entry the choice tells, and its name the program's while that is still
    // the default one; a name the user gave stays.
    void Button1Click();
    // Asks the user for an executable; empty when cancelled. Tests replace it.
    std::function<std::optional<TChosenProgram>()> ChooseProgram;

    TDBEdit* dbName;
    TDBEdit* DBEdit3;
    TDBEdit* dbWindowClasses;
    TDBEdit* dbDesktopId;
    TDBCheckBox* dbLiveReadingOff;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    TSelectProgramDialog* selectDialog_;
};
