#include "keys/KeyText.h"

#include "framework/Exception.h"
#include "platform/VirtualKeys.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <QList>
#include <QString>

#include <cctype>
#include <map>
#include <unordered_map>
#include <vector>

namespace {

struct KeyName
{
    std::uint16_t code;
    std::string name;
};

// The ASCII punctuation characters by their X keysym names (xkbcommon-keysyms.h, from the X11
// protocol's keysymdef.h): "Ctrl+plus" is the character +, whichever key types it.
void AddCharacterNames(std::vector<KeyName>& names)
{
    static const std::pair<char, const char*> KeySymNames[] = {
        {'!', "exclam"},       {'"', "quotedbl"},    {'#', "numbersign"},  {'$', "dollar"},
        {'%', "percent"},      {'&', "ampersand"},   {'\'', "apostrophe"}, {'(', "parenleft"},
        {')', "parenright"},   {'*', "asterisk"},    {'+', "plus"},        {',', "comma"},
        {'-', "minus"},        {'.', "period"},      {'/', "slash"},       {':', "colon"},
        {';', "semicolon"},    {'<', "less"},        {'=', "equal"},       {'>', "greater"},
        {'?', "question"},     {'@', "at"},          {'[', "bracketleft"}, {'\\', "backslash"},
        {']', "bracketright"}, {'^', "asciicircum"}, {'_', "underscore"},  {'`', "grave"},
        {'{', "braceleft"},    {'|', "bar"},         {'}', "braceright"},  {'~', "asciitilde"},
    };
    for (const auto& [character, name] : KeySymNames) {
        names.push_back({CharacterKeyCode(static_cast<char32_t>(character)), name});
    }
}

// Letters, digits, keypad digits and function keys.
void AddSeriesNames(std::vector<KeyName>& names)
{
    for (char c = 'A'; c <= 'Z'; ++c) {
        names.push_back({static_cast<std::uint16_t>(c), std::string(1, c)});
    }
    for (char c = '0'; c <= '9'; ++c) {
        names.push_back({static_cast<std::uint16_t>(c), std::string(1, c)});
    }
    for (int digit = 0; digit <= 9; ++digit) {
        names.push_back({static_cast<std::uint16_t>(0x60 + digit),
                         std::string("Num").append(1, char('0' + digit))});
    }
    for (int number = 1; number <= 24; ++number) {
        names.push_back({static_cast<std::uint16_t>(0x6F + number),
                         std::string(1, 'F').append(std::to_string(number))});
    }
}

// Every name a key may be written with. A code's first name is the one it is written with; a
// name listed twice means the key listed first.
std::vector<KeyName> AllKeyNames()
{
    std::vector<KeyName> names{
        {vk::Control, "Ctrl"},
        {vk::Shift, "Shift"},
        {vk::Menu, "Alt"},
        {vk::AnyWin, "Super"},
        {vk::AnyWin, "Win"},
        {vk::LControl, "LCtrl"},
        {vk::RControl, "RCtrl"},
        {vk::LShift, "LShift"},
        {vk::RShift, "RShift"},
        {vk::LMenu, "LAlt"},
        {vk::RMenu, "RAlt"},
        {vk::LWin, "LSuper"},
        {vk::LWin, "LWin"},
        {vk::RWin, "RSuper"},
        {vk::RWin, "RWin"},
        {vk::Return, "Enter"},
        {vk::Escape, "Esc"},
        {0x09, "Tab"},
        {0x20, "Space"},
        {0x08, "Backspace"},
        {0x2D, "Insert"},
        {0x2E, "Delete"},
        {0x24, "Home"},
        {0x23, "End"},
        {0x21, "PgUp"},
        {0x22, "PgDn"},
        {0x25, "Left"},
        {0x27, "Right"},
        {0x26, "Up"},
        {0x28, "Down"},
        {0x2C, "PrtSc"},
        {0x91, "ScrLk"},
        {0x13, "Pause"},
        {0x5D, "Menu"},
        // The punctuation keys of a US keyboard, by their unshifted character.
        {0xC0, "`"},
        {0xBD, "-"},
        {0xBB, "="},
        {0xDB, "["},
        {0xDD, "]"},
        {0xDC, "\\"},
        {0xBA, ";"},
        {0xDE, "'"},
        {0xBC, ","},
        {0xBE, "."},
        {0xBF, "/"},
        {0x6A, "Num*"},
        {0x6B, "Num+"},
        {0x6D, "Num-"},
        {0x6E, "Num."},
        {0x6F, "Num/"},
        // The keypad Enter sends the code of the main one.
        {vk::Return, "NumEnter"},
        // Names the keyboard draws that differ from the ones above: its digits are drawn on the
        // keypad too, these names mean the main keys.
        {0x21, "Page Up"},
        {0x22, "Page Down"},
        {0x2C, "Print Screen"},
        {0x91, "Scroll Lock"},
        {0x13, "Break"},
        {0x14, "Caps Lock"},
        {0x5D, "Apps"},
    };
    AddCharacterNames(names);
    AddSeriesNames(names);
    return names;
}

// Lower case, runs of spaces as one: "Page  up" and "page Up" are one name.
std::string Normalized(const std::string& name)
{
    std::string result;
    for (char c : name) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!result.empty() && result.back() != ' ') {
                result += ' ';
            }
        } else {
            result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!result.empty() && result.back() == ' ') {
        result.pop_back();
    }
    return result;
}

struct NameTables
{
    std::unordered_map<std::string, std::uint16_t> codeOfName;
    std::map<std::uint16_t, std::string> nameOfCode;
};

const NameTables& Tables()
{
    static const NameTables tables = [] {
        NameTables built;
        for (const KeyName& key : AllKeyNames()) {
            built.codeOfName.emplace(Normalized(key.name), key.code);
            built.nameOfCode.emplace(key.code, key.name);
        }
        // Every name the keyboard draws is read too, unless a name above already means a key.
        for (std::uint16_t code = 1; code <= vk::AnyWin; ++code) {
            if (const std::string drawn = GetUsKeyName(code); !drawn.empty()) {
                built.codeOfName.emplace(Normalized(drawn), code);
            }
        }
        return built;
    }();
    return tables;
}

bool IsModifier(std::uint16_t code)
{
    return GetKeyRank(code) != 100;
}

// The key names of a text split at its '+' separators. A '+' key is written as "+" between
// separators ("Ctrl++"), and a trailing '+' belongs to the name before it ("Num+").
std::vector<std::string> SplitNames(const std::string& text)
{
    std::vector<std::string> pieces = SplitText(text, '+');
    for (std::string& piece : pieces) {
        piece = Normalized(piece);
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const bool last = i + 1 == pieces.size();
        if (!pieces[i].empty()) {
            names.push_back(pieces[i]);
        } else if (!last && pieces[i + 1].empty()) {
            names.push_back("+");
            ++i;
        } else if (last && !names.empty()) {
            names.back() += '+';
        } else {
            throw Exception(
                FormatText(Translate("в «%s» не хватает названия клавиши"), QuoteUserText(text)));
        }
    }
    return names;
}

// The code of a single printable character other than a letter or digit a name above gives,
// letters in lower case (ö and Ö are one key); 0 for anything else.
std::uint16_t CharacterCode(const std::string& name)
{
    const QList<uint> characters = QString::fromStdString(name).toUcs4();
    if (characters.size() != 1) {
        return 0;
    }
    const char32_t character = QChar::toLower(characters.front());
    return QChar::isPrint(character) && !QChar::isSpace(character) ? CharacterKeyCode(character)
                                                                   : 0;
}

// The code of a normalized name; 0 when it names no key.
std::uint16_t CodeOfName(const std::string& name)
{
    const auto found = Tables().codeOfName.find(name);
    return found == Tables().codeOfName.end() ? CharacterCode(name) : found->second;
}

} // namespace

CKeyCodes ParseKeyText(const std::string& text)
{
    if (Normalized(text).empty()) {
        throw Exception(Translate("не указаны клавиши"));
    }
    CKeyCodes keys;
    bool keyFound = false;
    for (const std::string& name : SplitNames(text)) {
        const std::uint16_t code = CodeOfName(name);
        if (code == 0) {
            throw Exception(FormatText(Translate("неизвестная клавиша «%s» в «%s»"),
                                       QuoteUserText(name), QuoteUserText(text)));
        }
        if (IsModifier(code) && keyFound) {
            throw Exception(FormatText(Translate("в «%s» клавиша-модификатор стоит после клавиши"),
                                       QuoteUserText(text)));
        }
        if (!IsModifier(code) && keyFound) {
            throw Exception(FormatText(Translate("в «%s» больше одной клавиши кроме модификаторов"),
                                       QuoteUserText(text)));
        }
        if (!keys.insert(code).second) {
            throw Exception(
                FormatText(Translate("в «%s» клавиша названа дважды"), QuoteUserText(text)));
        }
        keyFound = !IsModifier(code);
    }
    if (!keyFound) {
        throw Exception(
            FormatText(Translate("в «%s» только клавиши-модификаторы"), QuoteUserText(text)));
    }
    return keys;
}

std::string FormatKeyText(const CKeyCodes& keys)
{
    std::string text;
    int others = 0;
    for (std::uint16_t code : keys) {
        const std::string name = KeyTextName(code);
        if (name.empty()) {
            return {};
        }
        others += IsModifier(code) ? 0 : 1;
        text += (text.empty() ? "" : "+") + name;
    }
    // Set order puts the modifiers first.
    return others == 1 ? text : std::string();
}

std::string KeyTextName(std::uint16_t code)
{
    // A character is written as itself where that reads back as the character ("+"), else by
    // its name ("minus": "-" is the key).
    if (const std::string character = GetUsKeyName(code);
        IsCharacterKey(code) && CodeOfName(Normalized(character)) == code) {
        return character;
    }
    const auto found = Tables().nameOfCode.find(code);
    return found == Tables().nameOfCode.end() ? std::string() : found->second;
}
