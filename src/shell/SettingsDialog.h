#pragma once

#include "desktop/Desktop.h"
#include "desktop/Settings.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class TTriggerEdit;

// The settings window: the trigger, its registration in the desktop's own shortcut settings
// (GNOME only) and start at login. OK hands the choice to the owner, which applies it; what the
// owner could not apply is shown in words and the window stays open.
class TSettingsDialog : public QDialog
{
public:
    // apply takes the values and answers the translated reason they were not (all) taken, or the
    // empty text.
    using ApplyFunction = std::function<std::string(const SettingsValues&)>;

    TSettingsDialog(platform::Platform& platform, const SettingsValues& values,
                    const DesktopFacts& desktop, ApplyFunction apply, QWidget* parent = nullptr);

    void accept() override;

    TTriggerEdit* TriggerEdit() const { return triggerEdit_; }
    QCheckBox* DesktopShortcut() const { return desktopShortcut_; }
    QCheckBox* StartAtLogin() const { return startAtLogin_; }
    // The keyboard drawn: as the layout suggests, ANSI or ISO, in this order.
    QComboBox* KeyboardShape() const { return keyboardShape_; }
    QLabel* Advice() const { return advice_; }
    QLabel* Error() const { return error_; }

private:
    // The trigger's field with its buttons to add a key from a list and to clear it.
    QHBoxLayout* BuildTriggerRow(const Trigger& trigger);
    void UpdateAdvice();

    platform::Platform& platform_;
    DesktopFacts desktop_;
    ApplyFunction apply_;
    Trigger trigger_;
    TTriggerEdit* triggerEdit_ = nullptr;
    QCheckBox* desktopShortcut_ = nullptr;
    QCheckBox* startAtLogin_ = nullptr;
    QComboBox* keyboardShape_ = nullptr;
    QLabel* advice_ = nullptr;
    QLabel* error_ = nullptr;
};
