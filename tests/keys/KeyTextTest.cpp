#include "keys/KeyText.h"

#include "framework/Exception.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Codes = std::vector<std::uint16_t>;

Codes Parsed(const std::string& text)
{
    const CKeyCodes keys = ParseKeyText(text);
    return Codes(keys.begin(), keys.end());
}

// The message of the refusal, or "accepted".
std::string Refusal(const std::string& text)
{
    try {
        ParseKeyText(text);
        return "accepted";
    } catch (const Exception& error) {
        return error.what();
    }
}

bool IsModifier(std::uint16_t code)
{
    return GetKeyRank(code) != 100;
}

} // namespace

TEST(KeyText, EveryKeyTheKeyboardNamesIsReadByThatName)
{
    // Codes 58-64 are no keys: GetKeyName only spells their characters.
    Codes codes{vk::AnyWin};
    for (std::uint16_t code = 1; code < 256; ++code) {
        if (!GetKeyName(code).empty() && (code < 58 || code > 64)) {
            codes.push_back(code);
        }
    }
    for (std::uint16_t code : codes) {
        const std::string name = GetKeyName(code);
        // A modifier alone is no shortcut: it is read before a key.
        const CKeyCodes keys = ParseKeyText(IsModifier(code) ? name + "+A" : "Ctrl+" + name);
        const std::uint16_t read = IsModifier(code) ? *keys.begin() : *keys.rbegin();
        // The keypad digits and plus are drawn like main keys; their names mean the main keys.
        EXPECT_EQ(GetKeyName(read), name) << "code " << code;
        EXPECT_TRUE(CKeyCodes{read}.Contains(CKeyCodes{code}) || (code >= 96 && code <= 107))
            << name << " read as " << read;
    }
}

TEST(KeyText, PackNamesModifiersCaseAndSpaces)
{
    const std::uint16_t ctrl = vk::Control, shift = vk::Shift, alt = vk::Menu;
    EXPECT_EQ(Parsed("Ctrl+Shift+T"), (Codes{ctrl, shift, 'T'}));
    EXPECT_EQ(Parsed("  ctrl +  SHIFT+ t "), (Codes{ctrl, shift, 'T'}));
    EXPECT_EQ(Parsed("Super+E"), (Codes{vk::AnyWin, 'E'}));
    EXPECT_EQ(Parsed("win+e"), (Codes{vk::AnyWin, 'E'}));
    EXPECT_EQ(Parsed("LSuper+RCtrl+LAlt+RShift+F24"),
              (Codes{vk::LWin, vk::RControl, vk::LMenu, vk::RShift, 0x87}));
    EXPECT_EQ(Parsed("RWin+Page  Up"), (Codes{vk::RWin, 0x21}));
    EXPECT_EQ(Parsed("Alt+PgDn"), (Codes{alt, 0x22}));
    EXPECT_EQ(Parsed("Esc"), (Codes{vk::Escape}));
    EXPECT_EQ(Parsed("PrtSc"), (Codes{0x2C}));
    EXPECT_EQ(Parsed("Print Screen"), (Codes{0x2C}));
    EXPECT_EQ(Parsed("Caps Lock"), (Codes{0x14}));
    EXPECT_EQ(Parsed("Break"), Parsed("Pause"));
    EXPECT_EQ(Parsed("Apps"), Parsed("Menu"));
    // Punctuation by its unshifted character.
    EXPECT_EQ(Parsed("Ctrl+Shift+="), (Codes{ctrl, shift, 0xBB}));
    EXPECT_EQ(Parsed("Alt+`"), (Codes{alt, 0xC0}));
    EXPECT_EQ(Parsed("Ctrl+\\"), (Codes{ctrl, 0xDC}));
    EXPECT_EQ(Parsed("Ctrl+Shift+/"), (Codes{ctrl, shift, 0xBF}));
    EXPECT_EQ(Parsed("Ctrl+-"), (Codes{ctrl, 0xBD}));
    // The keypad.
    EXPECT_EQ(Parsed("Num+"), (Codes{0x6B}));
    EXPECT_EQ(Parsed("Ctrl+Num+"), (Codes{ctrl, 0x6B}));
    EXPECT_EQ(Parsed("Shift+num-"), (Codes{shift, 0x6D}));
    EXPECT_EQ(Parsed("Num*"), (Codes{0x6A}));
    EXPECT_EQ(Parsed("Num/"), (Codes{0x6F}));
    EXPECT_EQ(Parsed("Num."), (Codes{0x6E}));
    EXPECT_EQ(Parsed("Num0"), (Codes{0x60}));
    EXPECT_EQ(Parsed("NumEnter"), Parsed("Enter"));
    EXPECT_EQ(Parsed("0"), (Codes{'0'}));
}

TEST(KeyText, OtherCharactersAndKeySymNamesAreKeysWrittenByCharacter)
{
    const std::uint16_t ctrl = vk::Control;
    const std::uint16_t shift = vk::Shift;
    const auto character = [](char32_t c) { return CharacterKeyCode(c); };
    // + is the character, not the = key that types it with Shift on a US keyboard.
    EXPECT_EQ(Parsed("Ctrl++"), (Codes{ctrl, character(U'+')}));
    EXPECT_EQ(Parsed("Ctrl + +"), Parsed("Ctrl++"));
    EXPECT_EQ(Parsed("Ctrl+plus"), Parsed("Ctrl++"));
    EXPECT_EQ(Parsed("CTRL+PLUS"), Parsed("Ctrl++"));
    EXPECT_EQ(Parsed("+"), (Codes{character(U'+')}));
    EXPECT_EQ(Parsed("Ctrl+("), (Codes{ctrl, character(U'(')}));
    EXPECT_EQ(Parsed("Ctrl+parenleft"), Parsed("Ctrl+("));
    EXPECT_EQ(Parsed("Ctrl+%"), (Codes{ctrl, character(U'%')}));
    EXPECT_EQ(Parsed("Ctrl+asciitilde"), (Codes{ctrl, character(U'~')}));
    EXPECT_EQ(Parsed("Ctrl+Shift+~"), (Codes{ctrl, shift, character(U'~')}));
    // The names of the US punctuation keys' characters mean the characters; the characters
    // themselves mean the keys.
    EXPECT_EQ(Parsed("Ctrl+minus"), (Codes{ctrl, character(U'-')}));
    EXPECT_EQ(Parsed("Ctrl+-"), (Codes{ctrl, 0xBD}));
    // Characters beyond ASCII, letters in either case.
    EXPECT_EQ(Parsed("Ctrl+£"), (Codes{ctrl, character(U'£')}));
    EXPECT_EQ(Parsed("Ctrl+Ö"), (Codes{ctrl, character(U'ö')}));
    EXPECT_EQ(Parsed("Alt+ж"), (Codes{vk::Menu, character(U'ж')}));
    // Still refused: names no key has, two characters, a control character, a character beyond
    // the range a key number holds.
    EXPECT_NE(Refusal("Ctrl+pluss"), "accepted");
    EXPECT_NE(Refusal("Ctrl+öö"), "accepted");
    EXPECT_NE(Refusal("Ctrl+\x7f"), "accepted");
    EXPECT_NE(Refusal("Ctrl+가"), "accepted");
    EXPECT_NE(Refusal("Ctrl+😀"), "accepted");
    EXPECT_NE(Refusal("Ctrl+(+)"), "accepted");
}

TEST(KeyText, RefusesWhatIsNoSingleCombination)
{
    EXPECT_NE(Refusal(""), "accepted");
    EXPECT_NE(Refusal("   "), "accepted");
    EXPECT_NE(Refusal("Ctrl+Shift"), "accepted");
    EXPECT_NE(Refusal("Super"), "accepted");
    EXPECT_NE(Refusal("Ctrl+Ctrl+S"), "accepted");
    EXPECT_NE(Refusal("Ctrl+LCtrl+S"), "accepted");
    EXPECT_NE(Refusal("Win+LSuper+S"), "accepted");
    EXPECT_NE(Refusal("S+Ctrl"), "accepted");
    EXPECT_NE(Refusal("Ctrl+S+T"), "accepted");
    EXPECT_NE(Refusal("Ctrl+K Ctrl+S"), "accepted");
    EXPECT_NE(Refusal("+S"), "accepted");
    EXPECT_NE(Refusal("Ctrl+"), "accepted");
    EXPECT_NE(Refusal("Ctrl++S"), "accepted");
    EXPECT_NE(Refusal("Control+S"), "accepted");
    EXPECT_NE(Refusal("Ctrl+F25"), "accepted");
    // The message names what is wrong.
    EXPECT_NE(Refusal("Ctl+S").find("«ctl»"), std::string::npos) << Refusal("Ctl+S");
}

TEST(KeyText, WrittenCombinationsAreReadBackAsThemselves)
{
    std::vector<CKeyCodes> combinations;
    for (std::uint16_t key = 1; key < 256; ++key) {
        if (!IsModifier(key) && !KeyTextName(key).empty()) {
            combinations.push_back({key});
            combinations.push_back({vk::Control, vk::Shift, key});
            combinations.push_back({vk::RWin, vk::LMenu, key});
        }
    }
    for (const char32_t c : {U'+', U'-', U'/', U'(', U'~', U'£', U'ö', U'я', U'€'}) {
        combinations.push_back({vk::Control, CharacterKeyCode(c)});
    }
    ASSERT_GT(combinations.size(), 3u * 90);
    for (const CKeyCodes& keys : combinations) {
        const std::string text = FormatKeyText(keys);
        ASSERT_FALSE(text.empty()) << keys.GetText();
        EXPECT_EQ(ParseKeyText(text), keys) << text;
    }
    EXPECT_EQ(FormatKeyText({vk::AnyWin, vk::Control, 'Q'}), "Super+Ctrl+Q");
    EXPECT_EQ(FormatKeyText({vk::Control, 0xBB}), "Ctrl+=");
    // A character is written as itself unless that names a key.
    EXPECT_EQ(FormatKeyText({vk::Control, CharacterKeyCode(U'+')}), "Ctrl++");
    EXPECT_EQ(FormatKeyText({vk::Control, CharacterKeyCode(U'£')}), "Ctrl+£");
    EXPECT_EQ(FormatKeyText({vk::Control, CharacterKeyCode(U'-')}), "Ctrl+minus");
    // What a pack cannot hold: no key, modifiers only, two keys, a key without a name.
    EXPECT_EQ(FormatKeyText({}), "");
    EXPECT_EQ(FormatKeyText({vk::Control}), "");
    EXPECT_EQ(FormatKeyText({vk::Control, 'A', 'B'}), "");
    EXPECT_EQ(FormatKeyText({vk::Control, 0x90}), "");
}
