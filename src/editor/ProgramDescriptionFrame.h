#pragma once

#include "editor/DescriptionFrame.h"

#include <optional>
#include <string>

class CActiveWindow;
class QLabel;
class QPushButton;
class TDBEdit;
class TSelectProgramDialog;

// A program's name, executable, window classes and desktop entry, and a button to give it a
// shortcut.
class TProgramDescriptionFrame : public IDescriptionFrame
{
    Q_OBJECT
public:
    TProgramDescriptionFrame(CDBRegistry& registry, const TCreateHooks& hooks,
                             const CActiveWindow& activeWindow, QWidget* parent);
    ~TProgramDescriptionFrame() override;

    void ShowFrame() override;
    void HideFrame() override;
    void SetFocus() override;

    // What the user chose: the executable, and what the chosen window or desktop entry tells.
    struct Choice
    {
        std::string path;
        std::string windowClasses;
        std::string desktopId;
    };
    // "Выбрать приложение...": the chosen executable becomes the program's path, with the
    // window classes and desktop entry the choice tells; the name stays.
    void Button1Click();
    // Asks the user for an executable; empty when cancelled. Tests replace it.
    std::function<std::optional<Choice>()> ChooseProgram;

    TDBEdit* dbName;
    TDBEdit* DBEdit3;
    TDBEdit* dbWindowClasses;
    TDBEdit* dbDesktopId;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    TSelectProgramDialog* selectDialog_;
};
