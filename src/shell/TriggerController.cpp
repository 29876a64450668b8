#include "shell/TriggerController.h"

#include "framework/Exception.h"
#include "desktop/Autostart.h"
#include "desktop/GnomeShortcut.h"
#include "services/Translation.h"
#include "shell/Log.h"
#include "shell/TriggerKeys.h"
#include "util/Text.h"

#include <utility>
#include <vector>

namespace {

std::string TakenText()
{
    return Translate("Это сочетание занято другой программой: выберите другое в настройках "
                     "Quorvel.");
}

} // namespace

CTriggerController::CTriggerController(platform::Platform& platform, CSettings& settings,
                                       std::function<void()> onTrigger)
    : platform_(platform), settings_(settings), onTrigger_(std::move(onTrigger))
{
}

bool CTriggerController::GnomeRuns(const SettingsValues& values) const
{
    return values.desktopShortcut && desktop_.gnomeShortcuts;
}

bool CTriggerController::GrabsItself(const SettingsValues& values) const
{
    return desktop_.grabsTrigger && !GnomeRuns(values);
}

std::string CTriggerController::KeysText(const Trigger& trigger) const
{
    if (grabbed_ == trigger) {
        if (const std::string named = platform_.GetHotKeyDescription(); !named.empty()) {
            return named;
        }
    }
    return TriggerText(trigger);
}

bool CTriggerController::Grab(const Trigger& trigger)
{
    return platform_.RegisterHotKey(trigger.modifiers, trigger.code, [this] { onTrigger_(); });
}

void CTriggerController::Release()
{
    if (grabbed_) {
        platform_.UnregisterHotKey(grabbed_->modifiers, grabbed_->code);
        grabbed_.reset();
    }
}

void CTriggerController::Start()
{
    desktop_ = InspectDesktop(platform_);
    firstStart_ = !settings_.Existed();
    if (firstStart_) {
        SetUpFirstTrigger();
    }
    const SettingsValues& values = settings_.values;
    if (GrabsItself(values)) {
        if (Grab(values.trigger)) {
            grabbed_ = values.trigger;
        }
    } else if (GnomeRuns(values) &&
               GnomeShortcutBinding(platform_) != AcceleratorOf(platform_, values.trigger)) {
        SetGnomeShortcut(platform_, AcceleratorOf(platform_, values.trigger), ShowCommand());
    }
    // Turned off in the settings, GNOME's shortcut goes (it may be left from an earlier run).
    if (desktop_.gnomeShortcuts && !values.desktopShortcut &&
        !GnomeShortcutBinding(platform_).empty()) {
        RemoveGnomeShortcut(platform_);
    }
    if (!grabbed_ && GrabsItself(values)) {
        qCWarning(lcShell) << "the trigger is held by another program";
    } else if (WindowManagerBlocks(desktop_, values.trigger) && GrabsItself(values)) {
        qCWarning(lcShell).noquote()
            << QString::fromStdString(TriggerAdvice(desktop_, values.trigger, false));
    }
    if (firstStart_) {
        // The choices of the first start become the user's settings.
        try {
            settings_.Save();
        } catch (const Exception& error) {
            qCWarning(lcShell) << error.what();
        }
    }
}

void CTriggerController::SetUpFirstTrigger()
{
    SettingsValues& values = settings_.values;
    const bool blocked = desktop_.grabsTrigger && WindowManagerBlocks(desktop_, values.trigger);
    if (desktop_.grabsTrigger && !blocked) {
        return;
    }
    // GNOME runs its own shortcuts whatever it does with the Windows key alone.
    if (desktop_.gnomeShortcuts &&
        SetGnomeShortcut(platform_, AcceleratorOf(platform_, values.trigger), ShowCommand())) {
        values.desktopShortcut = true;
        return;
    }
    if (blocked) {
        values.trigger = TriggerWithoutWinKey();
        triggerReplaced_ = true;
    }
}

std::vector<std::string> CTriggerController::ShowCommand() const
{
    return {platform_.GetExecutablePath(), "--show"};
}

std::string CTriggerController::ApplyDesktopShortcut(const SettingsValues& values)
{
    if (GnomeRuns(values)) {
        if (!SetGnomeShortcut(platform_, AcceleratorOf(platform_, values.trigger), ShowCommand())) {
            return Translate("Не удалось зарегистрировать сочетание в настройках клавиатуры "
                             "GNOME.");
        }
        Release();
    } else if (settings_.values.desktopShortcut && !RemoveGnomeShortcut(platform_)) {
        return Translate("Не удалось убрать сочетание из настроек клавиатуры GNOME.");
    }
    return {};
}

std::string CTriggerController::Apply(const SettingsValues& values)
{
    // Grabbed before the old one is released: a refusal leaves the old trigger working and the
    // settings as they were.
    if (GrabsItself(values) && grabbed_ != values.trigger) {
        if (!Grab(values.trigger)) {
            if (!grabbed_) {
                return TakenText();
            }
            return FormatText(Translate("Сочетание %s занято другой программой. Прежнее "
                                        "сочетание %s продолжает работать."),
                              TriggerText(values.trigger), KeysText(*grabbed_));
        }
        Release();
        grabbed_ = values.trigger;
    }
    SettingsValues& current = settings_.values;
    std::string failure = ApplyDesktopShortcut(values);
    if (failure.empty()) {
        current = values;
    } else {
        current.trigger = grabbed_.value_or(current.trigger);
    }
    try {
        if (values.startAtLogin) {
            WriteAutostartEntry(platform_.GetExecutablePath());
        } else {
            RemoveAutostartEntry();
        }
        current.startAtLogin = values.startAtLogin;
        current.keyboardShape = values.keyboardShape;
        current.liveReading = values.liveReading;
        current.liveAccessibility = values.liveAccessibility;
        settings_.Save();
    } catch (const Exception& error) {
        failure = failure.empty() ? error.what() : failure;
    }
    return failure;
}

std::string CTriggerController::HowToShow() const
{
    const SettingsValues& values = settings_.values;
    const std::string keys = KeysText(values.trigger);
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
        text += '\n' + TriggerAdvice(desktop_, values.trigger, GnomeRuns(values));
    } else if (triggerReplaced_) {
        text += '\n' + FormatText(Translate("%s забирает клавишу Win себе, поэтому Quorvel "
                                            "вызывается сочетанием %s."),
                                  WinKeyOwnerName(desktop_.winKeyOwner), keys);
    }
    return text;
}

std::string CTriggerController::TrayHint() const
{
    const SettingsValues& values = settings_.values;
    std::string hint = "Quorvel (" + KeysText(values.trigger) + ")";
    if (!grabbed_ && GrabsItself(values)) {
        hint += '\n' + TakenText();
    } else if (const std::string advice =
                   TriggerAdvice(desktop_, values.trigger, GnomeRuns(values));
               !advice.empty()) {
        hint += '\n' + advice;
    }
    return hint;
}
