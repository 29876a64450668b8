#include "desktop/Trigger.h"

#include "platform/VirtualKeys.h"

#include <algorithm>
#include <cctype>

namespace {

// The modifier names gtk_accelerator_parse accepts (GTK 3 reference, "Keyboard Accelerators"),
// letter case ignored; the first name of each is the one written.
struct ModifierName
{
    const char* name;
    std::uint32_t bit;
};
constexpr ModifierName ModifierNames[] = {
    {"Super", platform::ModWin},       {"Control", platform::ModControl},
    {"Ctrl", platform::ModControl},    {"Ctl", platform::ModControl},
    {"Primary", platform::ModControl}, {"Alt", platform::ModAlt},
    {"Mod1", platform::ModAlt},        {"Shift", platform::ModShift},
    {"Shft", platform::ModShift},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<std::uint32_t> ModifierOf(const std::string& name)
{
    for (const ModifierName& modifier : ModifierNames) {
        if (Lower(modifier.name) == Lower(name)) {
            return modifier.bit;
        }
    }
    return std::nullopt;
}

} // namespace

bool IsModifierKey(std::uint16_t code)
{
    switch (code) {
    case vk::Shift:
    case vk::Control:
    case vk::Menu:
    case vk::LWin:
    case vk::RWin:
    case vk::AnyWin:
    case vk::LShift:
    case vk::RShift:
    case vk::LControl:
    case vk::RControl:
    case vk::LMenu:
    case vk::RMenu:
        return true;
    default:
        return false;
    }
}

Trigger DefaultTrigger()
{
    return {platform::ModWin, 'Q'};
}

std::string AcceleratorOf(platform::Platform& platform, const Trigger& trigger)
{
    const std::string key = platform.GetKeyBindingName(trigger.code);
    if (key.empty()) {
        return {};
    }
    std::string text;
    for (const std::uint32_t bit :
         {platform::ModWin, platform::ModControl, platform::ModAlt, platform::ModShift}) {
        if (trigger.modifiers & bit) {
            const auto named = std::find_if(std::begin(ModifierNames), std::end(ModifierNames),
                                            [bit](const ModifierName& m) { return m.bit == bit; });
            text += std::string("<") + named->name + ">";
        }
    }
    return text + key;
}

std::optional<Trigger> ParseAccelerator(platform::Platform& platform, const std::string& text)
{
    Trigger trigger;
    std::size_t at = 0;
    while (at < text.size() && text[at] == '<') {
        const auto close = text.find('>', at);
        if (close == std::string::npos) {
            return std::nullopt;
        }
        const auto bit = ModifierOf(text.substr(at + 1, close - at - 1));
        if (!bit) {
            return std::nullopt;
        }
        trigger.modifiers |= *bit;
        at = close + 1;
    }
    trigger.code = platform.GetKeyOfBindingName(text.substr(at));
    if (trigger.code == 0 || IsModifierKey(trigger.code)) {
        return std::nullopt;
    }
    return trigger;
}
