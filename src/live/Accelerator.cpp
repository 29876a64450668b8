#include "live/Accelerator.h"

#include "platform/VirtualKeys.h"

#include <QKeySequence>
#include <QString>

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace live {
namespace {

std::string AsciiLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The key of a keysym: the key of the active layout that types it; a letter or digit no key
// types keeps its own number (no key has it); another character becomes a key written by that
// character, found on the layout when the shortcuts are shown; 0 for anything else.
std::uint16_t KeyOfKeySymValue(xkb_keysym_t keySym, const KeyOfKeySym& keyOf)
{
    keySym = xkb_keysym_to_lower(keySym);
    std::array<char, 64> name{};
    if (keySym == XKB_KEY_NoSymbol || xkb_keysym_get_name(keySym, name.data(), name.size()) <= 0) {
        return 0;
    }
    if (const std::uint16_t code = keyOf(name.data())) {
        return code;
    }
    const char32_t character = xkb_keysym_to_utf32(keySym);
    if (character < 0x80 && std::isalnum(static_cast<int>(character))) {
        return static_cast<std::uint16_t>(std::toupper(static_cast<int>(character)));
    }
    return character > 0x20 && character != 0x7F ? CharacterKeyCode(character) : 0;
}

std::uint16_t KeyOfKeySymName(const std::string& name, const KeyOfKeySym& keyOf)
{
    xkb_keysym_t keySym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
    if (keySym == XKB_KEY_NoSymbol) {
        keySym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
    }
    return KeyOfKeySymValue(keySym, keyOf);
}

// The key of a GTK modifier name (lower case, without brackets): gtk_accelerator_parse's names
// (gtk/gtkaccelgroup.c, GTK 3.24), <Primary> being Control off macOS. 0 for the modifiers no key
// here stands for (<Meta>, <Hyper>, <Mod2>..<Mod5>) and for <Release>.
std::uint16_t GtkModifierKey(const std::string& name)
{
    if (name == "primary" || name == "control" || name == "ctrl" || name == "ctl") {
        return vk::Control;
    }
    if (name == "shift" || name == "shft") {
        return vk::Shift;
    }
    if (name == "alt" || name == "mod1") {
        return vk::Menu;
    }
    return name == "super" ? vk::AnyWin : 0;
}

// Qt keys without a character by their X keysym names: the pairs of Qt's own table
// (src/gui/platform/unix/qxkbcommon.cpp, KeyTbl, Qt 6.4).
const char* KeySymNameOfQtKey(int key)
{
    static const std::pair<int, const char*> names[] = {
        {Qt::Key_Escape, "Escape"},  {Qt::Key_Tab, "Tab"},
        {Qt::Key_Backtab, "Tab"},    {Qt::Key_Backspace, "BackSpace"},
        {Qt::Key_Return, "Return"},  {Qt::Key_Enter, "KP_Enter"},
        {Qt::Key_Insert, "Insert"},  {Qt::Key_Delete, "Delete"},
        {Qt::Key_Pause, "Pause"},    {Qt::Key_Print, "Print"},
        {Qt::Key_SysReq, "Sys_Req"}, {Qt::Key_Home, "Home"},
        {Qt::Key_End, "End"},        {Qt::Key_Left, "Left"},
        {Qt::Key_Up, "Up"},          {Qt::Key_Right, "Right"},
        {Qt::Key_Down, "Down"},      {Qt::Key_PageUp, "Prior"},
        {Qt::Key_PageDown, "Next"},  {Qt::Key_Menu, "Menu"},
        {Qt::Key_Help, "Help"},      {Qt::Key_Space, "space"},
    };
    for (const auto& [qtKey, name] : names) {
        if (qtKey == key) {
            return name;
        }
    }
    return nullptr;
}

std::uint16_t KeyOfQtKey(int key, const KeyOfKeySym& keyOf)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        std::string name = "F";
        name += std::to_string(key - Qt::Key_F1 + 1);
        return KeyOfKeySymName(name, keyOf);
    }
    if (const char* name = KeySymNameOfQtKey(key)) {
        return KeyOfKeySymName(name, keyOf);
    }
    // Below Qt's special keys a key is the Unicode character it types (upper case for letters).
    if (key > 0x20 && key < 0x01000000) {
        return KeyOfKeySymValue(xkb_utf32_to_keysym(static_cast<std::uint32_t>(key)), keyOf);
    }
    return 0;
}

} // namespace

CKeyCodes ParseGtkAccelerator(const std::string& text, const KeyOfKeySym& keyOf)
{
    CKeyCodes keys;
    std::size_t at = 0;
    while (at < text.size() && text[at] == '<') {
        const std::size_t end = text.find('>', at);
        if (end == std::string::npos) {
            return {};
        }
        const std::uint16_t modifier =
            GtkModifierKey(AsciiLower(text.substr(at + 1, end - at - 1)));
        if (modifier == 0) {
            return {};
        }
        keys.Add(modifier);
        at = end + 1;
    }
    const std::string name = text.substr(at);
    if (name.empty() || name.find_first_of("<> \t") != std::string::npos) {
        return {};
    }
    const std::uint16_t key = KeyOfKeySymName(name, keyOf);
    if (key == 0 || GetKeyRank(key) != 100) {
        return {};
    }
    keys.Add(key);
    return keys;
}

CKeyCodes ParseQtShortcut(const std::string& text, const KeyOfKeySym& keyOf)
{
    const QKeySequence sequence =
        QKeySequence::fromString(QString::fromStdString(text), QKeySequence::PortableText);
    if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown) {
        return {};
    }
    const QKeyCombination combination = sequence[0];
    const std::uint16_t key = KeyOfQtKey(combination.key(), keyOf);
    if (key == 0 || GetKeyRank(key) != 100) {
        return {};
    }
    CKeyCodes keys{key};
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const std::pair<Qt::KeyboardModifier, std::uint16_t> keyOfModifier[] = {
        {Qt::ControlModifier, vk::Control},
        {Qt::ShiftModifier, vk::Shift},
        {Qt::AltModifier, vk::Menu},
        {Qt::MetaModifier, vk::AnyWin},
    };
    for (const auto& [modifier, code] : keyOfModifier) {
        if (modifiers.testFlag(modifier)) {
            keys.Add(code);
        }
    }
    return keys;
}

CKeyCodes ParseKeyBinding(const std::string& text, const KeyOfKeySym& keyOf)
{
    const std::size_t last = text.rfind(';');
    if (last == std::string::npos) {
        return ParseQtShortcut(text, keyOf);
    }
    return ParseGtkAccelerator(text.substr(last + 1), keyOf);
}

CKeyCodes ParseAccelerator(AccelSyntax syntax, const std::string& text, const KeyOfKeySym& keyOf)
{
    return syntax == AccelSyntax::Gtk ? ParseGtkAccelerator(text, keyOf)
                                      : ParseQtShortcut(text, keyOf);
}

std::string DropMnemonic(const std::string& label, char marker)
{
    std::string plain;
    plain.reserve(label.size());
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] != marker) {
            plain += label[i];
        } else if (i + 1 < label.size() && label[i + 1] == marker) {
            plain += marker;
            ++i;
        }
    }
    return plain;
}

bool IsMnemonicOf(const CKeyCodes& keys, const std::string& label, char marker)
{
    for (std::size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] == marker && label[i + 1] == marker) {
            ++i;
        } else if (label[i] == marker) {
            const auto letter = static_cast<unsigned char>(label[i + 1]);
            return letter < 0x80 && std::isalnum(letter) &&
                   keys == CKeyCodes{vk::Menu, static_cast<std::uint16_t>(std::toupper(letter))};
        }
    }
    return false;
}

} // namespace live
