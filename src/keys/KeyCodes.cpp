#include "keys/KeyCodes.h"

#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <QString>

#include <algorithm>
#include <iterator>
#include <map>

bool IsCharacterKey(std::uint16_t code)
{
    return code >= CharacterKeyBase;
}

std::uint16_t CharacterKeyCode(char32_t character)
{
    return character < 0x8000 ? static_cast<std::uint16_t>(CharacterKeyBase + character) : 0;
}

char32_t CharacterOfKey(std::uint16_t code)
{
    return IsCharacterKey(code) ? char32_t(code - CharacterKeyBase) : 0;
}

std::uint16_t GetGenericKeyCode(std::uint16_t code)
{
    switch (code) {
    case vk::LWin:
    case vk::RWin:
        return vk::AnyWin;
    case vk::LShift:
    case vk::RShift:
        return vk::Shift;
    case vk::LControl:
    case vk::RControl:
        return vk::Control;
    case vk::LMenu:
    case vk::RMenu:
        return vk::Menu;
    default:
        return 0;
    }
}

std::optional<platform::KeyCap> GetKeyCap(std::uint16_t code)
{
    platform::Platform* system = platform::Installed();
    return system ? system->GetKeyCap(code) : std::nullopt;
}

std::string GetKeyName(std::uint16_t code)
{
    if (const auto cap = GetKeyCap(code)) {
        return cap->label;
    }
    return GetUsKeyName(code);
}

std::string GetUsKeyName(std::uint16_t code)
{
    if (IsCharacterKey(code)) {
        const char32_t character = CharacterOfKey(code);
        return QString::fromUcs4(&character, 1).toStdString();
    }
    if (code >= 48 && code <= 90) {
        return std::string(1, static_cast<char>(code));
    }
    if (const std::uint16_t generic = GetGenericKeyCode(code)) {
        code = generic;
    }
    if (code >= 96 && code <= 105) {
        return "Num " + std::string(1, static_cast<char>('0' + code - 96));
    }
    if (code >= 112 && code <= 123) {
        return std::string(1, 'F').append(std::to_string(code - 111));
    }
    // Keypad keys carry "Num", as Windows names them, so that they differ from the main keys.
    // 226 is the extra key left of Z on ISO keyboards (VK_OEM_102); its cap shows \ and | on UK
    // keyboards and < and > on most others, so it is named after the UK cap.
    static const std::map<std::uint16_t, std::string> names{
        {8, "Backspace"},     {9, "Tab"},          {13, "Enter"},        {16, "Shift"},
        {17, "Ctrl"},         {18, "Alt"},         {19, "Break"},        {20, "Caps Lock"},
        {27, "Esc"},          {32, "Space"},       {33, "Page Up"},      {34, "Page Down"},
        {35, "End"},          {36, "Home"},        {37, "Left"},         {38, "Up"},
        {39, "Right"},        {40, "Down"},        {44, "Print Screen"}, {45, "Insert"},
        {46, "Delete"},       {93, "Apps"},        {106, "Num *"},       {107, "Num +"},
        {109, "Num -"},       {110, "Num ."},      {111, "Num /"},       {144, "Num Lock"},
        {145, "Scroll Lock"}, {186, ";"},          {187, "="},           {188, ","},
        {189, "-"},           {190, "."},          {191, "/"},           {192, "`"},
        {219, "["},           {220, "\\"},         {221, "]"},           {222, "'"},
        {226, "\\|"},         {vk::AnyWin, "Win"},
    };
    const auto name = names.find(code);
    return name == names.end() ? std::string() : name->second;
}

std::string GetShortKeyName(std::uint16_t code)
{
    // The abbreviations printed on compact and laptop key caps.
    static const std::map<std::string, std::string> shortNames{
        {"Backspace", "Bksp"}, {"Caps Lock", "CapsLk"},   {"Page Up", "PgUp"},
        {"Page Down", "PgDn"}, {"Print Screen", "PrtSc"}, {"Insert", "Ins"},
        {"Delete", "Del"},     {"Num Lock", "NumLk"},     {"Scroll Lock", "ScrLk"},
    };
    const std::string name = GetKeyName(code);
    const auto shortName = shortNames.find(name);
    return shortName == shortNames.end() ? name : shortName->second;
}

int GetKeyRank(std::uint16_t code)
{
    if (const std::uint16_t generic = GetGenericKeyCode(code)) {
        code = generic;
    }
    switch (code) {
    case vk::AnyWin:
        return 1;
    case vk::Control:
        return 2;
    case vk::Menu:
        return 3;
    case vk::Shift:
        return 4;
    default:
        return 100;
    }
}

bool CSortKeyCodes::operator()(std::uint16_t a, std::uint16_t b) const
{
    const int rankA = GetKeyRank(a);
    const int rankB = GetKeyRank(b);
    if (rankA != rankB) {
        return rankA < rankB;
    }
    return rankA == 100 && a < b;
}

void CKeyCodes::Add(std::uint16_t code)
{
    insert(code);
}

std::string CKeyCodes::GetText() const
{
    static const std::string separator = " + ";
    std::string text;
    for (std::uint16_t code : *this) {
        const std::string name = GetKeyName(code);
        if (!name.empty()) {
            text += name + separator;
        }
    }
    if (text.size() >= separator.size()) {
        text.resize(text.size() - separator.size());
    }
    return text;
}

CKeyCodes CKeyCodes::OnLayout(platform::Platform& platform) const
{
    CKeyCodes keys;
    for (std::uint16_t code : *this) {
        const auto typing =
            IsCharacterKey(code) ? platform.GetKeyOfCharacter(CharacterOfKey(code)) : std::nullopt;
        if (!typing) {
            keys.Add(code);
            continue;
        }
        keys.Add(typing->code);
        if (typing->shift) {
            keys.Add(vk::Shift);
        }
    }
    return keys;
}

bool CKeyCodes::Contains(const CKeyCodes& other) const
{
    return std::includes(begin(), end(), other.begin(), other.end(), CSortKeyCodes());
}

CKeyCodes CKeyCodes::operator-(const CKeyCodes& other) const
{
    CKeyCodes result;
    std::set_difference(begin(), end(), other.begin(), other.end(),
                        std::inserter(result, result.end()), CSortKeyCodes());
    return result;
}

void CKeyCodes::Emulate(platform::Platform& platform, const CKeyCodes& held) const
{
    for (std::uint16_t code : *this) {
        if (held.count(code) != 0) {
            platform.SendKeyEvent(static_cast<std::uint8_t>(code & 0xFF), true);
        }
        platform.SendKeyEvent(static_cast<std::uint8_t>(code & 0xFF), false);
    }
    for (std::uint16_t code : *this) {
        platform.SendKeyEvent(static_cast<std::uint8_t>(code & 0xFF), true);
    }
}

void CKeyCodes::LoadFromBuffer(const void* buffer, std::size_t byteCount)
{
    clear();
    if (buffer == nullptr) {
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    for (std::size_t i = 0; i + 1 < byteCount; i += 2) {
        Add(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
}

std::vector<std::uint8_t> CKeyCodes::SaveToBuffer() const
{
    std::vector<std::uint8_t> buffer;
    buffer.reserve(size() * 2);
    for (std::uint16_t code : *this) {
        buffer.push_back(static_cast<std::uint8_t>(code & 0xFF));
        buffer.push_back(static_cast<std::uint8_t>(code >> 8));
    }
    return buffer;
}
