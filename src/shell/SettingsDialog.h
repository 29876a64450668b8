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
class QPushButton;
class QVBoxLayout;
class TTriggerEdit;

// The settings window: the trigger, its registration in the desktop's own shortcut settings
// (GNOME only), start at login, live shortcuts (and whether accessibility is switched on for them)
// and, where the desktop needs one, this program's shell extension:
// what it does, what is missing without it, and a button that turns it on. OK hands the choice to
// the owner, which applies it; what the owner could not apply is shown in words and the window
// stays open.
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
    // Live shortcuts, and the accessibility bus for the programs that need it (only with them).
    QCheckBox* LiveReading() const { return liveReading_; }
    QCheckBox* LiveAccessibility() const { return liveAccessibility_; }
    QLabel* Advice() const { return advice_; }
    QLabel* Error() const { return error_; }
    // The shell extension's state and its button; null where the desktop needs none.
    QLabel* ExtensionState() const { return extensionState_; }
    QPushButton* EnableExtension() const { return enableExtension_; }

private:
    // The trigger's field with its buttons to add a key from a list and to clear it.
    QHBoxLayout* BuildTriggerRow(const Trigger& trigger);
    void AddShellExtension(QVBoxLayout* layout);
    void AddLiveReading(QVBoxLayout* layout, const SettingsValues& values);
    // Runs the desktop's tool that turns the extension on and says what came of it.
    void OnEnableExtension();
    void UpdateAdvice();

    platform::Platform& platform_;
    DesktopFacts desktop_;
    ApplyFunction apply_;
    Trigger trigger_;
    TTriggerEdit* triggerEdit_ = nullptr;
    QCheckBox* desktopShortcut_ = nullptr;
    QCheckBox* startAtLogin_ = nullptr;
    QComboBox* keyboardShape_ = nullptr;
    QCheckBox* liveReading_ = nullptr;
    QCheckBox* liveAccessibility_ = nullptr;
    QLabel* advice_ = nullptr;
    QLabel* error_ = nullptr;
    platform::Platform::ShellExtension extension_;
    QLabel* extensionState_ = nullptr;
    QPushButton* enableExtension_ = nullptr;
};
