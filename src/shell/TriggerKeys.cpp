#include "shell/TriggerKeys.h"

#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <algorithm>

namespace {

struct ModifierKey
{
    std::uint32_t bit;
    std::uint16_t code;
};
constexpr ModifierKey ModifierKeys[] = {
    {platform::ModWin, vk::AnyWin},
    {platform::ModControl, vk::Control},
    {platform::ModAlt, vk::Menu},
    {platform::ModShift, vk::Shift},
};

} // namespace

CKeyCodes KeysOfTrigger(const Trigger& trigger)
{
    CKeyCodes keys;
    for (const ModifierKey& modifier : ModifierKeys) {
        if (trigger.modifiers & modifier.bit) {
            keys.Add(modifier.code);
        }
    }
    keys.Add(trigger.code);
    return keys;
}

std::optional<Trigger> TriggerOfKeys(platform::Platform& platform, const CKeyCodes& keys)
{
    Trigger trigger;
    for (const std::uint16_t code : keys) {
        const std::uint16_t generic = GetGenericKeyCode(code) ? GetGenericKeyCode(code) : code;
        const auto modifier =
            std::find_if(std::begin(ModifierKeys), std::end(ModifierKeys),
                         [generic](const ModifierKey& m) { return m.code == generic; });
        if (modifier != std::end(ModifierKeys)) {
            trigger.modifiers |= modifier->bit;
        } else if (trigger.code == 0 && !platform.GetKeyBindingName(code).empty()) {
            trigger.code = code;
        } else {
            return std::nullopt;
        }
    }
    if (trigger.code == 0) {
        return std::nullopt;
    }
    return trigger;
}

std::string TriggerText(const Trigger& trigger)
{
    return KeysOfTrigger(trigger).GetText();
}

Trigger TriggerWithoutWinKey()
{
    return {platform::ModControl | platform::ModAlt, 'Q'};
}

std::string WinKeyOwnerName(WinKeyOwner owner)
{
    switch (owner) {
    case WinKeyOwner::Nobody:
        return {};
    case WinKeyOwner::Mutter:
        return "GNOME";
    case WinKeyOwner::IceWM:
        return "IceWM";
    }
    return {};
}

bool WindowManagerBlocks(const DesktopFacts& desktop, const Trigger& trigger)
{
    return desktop.winKeyOwner != WinKeyOwner::Nobody && (trigger.modifiers & platform::ModWin);
}

std::string TriggerAdvice(const DesktopFacts& desktop, const Trigger& trigger, bool desktopShortcut)
{
    const std::string keys = TriggerText(trigger);
    if (!desktop.grabsTrigger && !desktopShortcut) {
        return FormatText(Translate("Quorvel не может сам перехватить клавиши на этом рабочем "
                                    "столе: назначьте %s в настройках клавиатуры рабочего "
                                    "стола сочетанием, которое запускает «quorvel --show»."),
                          keys);
    }
    switch (desktop.winKeyOwner) {
    case WinKeyOwner::Nobody:
        return {};
    case WinKeyOwner::Mutter:
        if (desktopShortcut) {
            return FormatText(Translate("%s зарегистрировано в настройках клавиатуры GNOME: "
                                        "GNOME запускает «quorvel --show»."),
                              keys);
        }
        if (!WindowManagerBlocks(desktop, trigger)) {
            return {};
        }
        return FormatText(Translate("GNOME забирает клавишу Win себе, и %s не доходит до "
                                    "Quorvel. Зарегистрируйте сочетание в настройках "
                                    "клавиатуры GNOME (Настройки Quorvel) или выберите "
                                    "сочетание без клавиши Win."),
                          keys);
    case WinKeyOwner::IceWM:
        if (!WindowManagerBlocks(desktop, trigger)) {
            return {};
        }
        return FormatText(Translate("IceWM забирает клавишу Win себе (Win95Keys=1), и %s не "
                                    "доходит до Quorvel. Выберите в настройках Quorvel "
                                    "сочетание без клавиши Win, например Ctrl + Alt + Q, или "
                                    "выключите Win95Keys в настройках IceWM."),
                          keys);
    }
    return {};
}
