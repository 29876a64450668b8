#include "platform/linux/KeyMapping.h"
#include "platform/linux/KeyTable.h"

#include <xkbcommon/xkbcommon.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>

using platform::CharacterKey;
using platform::KeyCap;
using platform::xkb::KeyMapping;

namespace {

// X key codes (evdev + 8) of a few keys by their US position.
constexpr unsigned KeyQ = 24;
constexpr unsigned KeyY = 29;
constexpr unsigned KeyA = 38;
constexpr unsigned KeyZ = 52;
constexpr unsigned KeyM = 58;
constexpr unsigned Minus = 20;
constexpr unsigned Equal = 21;
constexpr unsigned BracketRight = 35;
constexpr unsigned Semicolon = 47;
constexpr unsigned Backslash = 51;
constexpr unsigned Slash = 61;
constexpr unsigned Iso102 = 94;
constexpr unsigned Digit1 = 10;
constexpr unsigned Apostrophe = 48;
constexpr unsigned Grave = 49;

struct KeymapDeleter
{
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

// The mapping of a keymap compiled from XKB names, the group at index active in effect.
KeyMapping Compile(const char* layout, const char* variant = "", std::uint32_t active = 0)
{
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), &xkb_context_unref);
    const xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
    std::unique_ptr<xkb_keymap, KeymapDeleter> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        ADD_FAILURE() << "no keymap for " << layout;
        return {};
    }
    return KeyMapping(keymap.get(), active, layout);
}

std::string Label(const KeyMapping& mapping, std::uint16_t code)
{
    return mapping.CapOf(code).value_or(KeyCap{"(none)", "", ""}).label;
}

} // namespace

TEST(KeyMapping, WithoutAKeymapKeysKeepTheirUsPositionsAndHaveNoCaps)
{
    const KeyMapping mapping;
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        EXPECT_EQ(mapping.VirtualKeyOfXKey(xKey), platform::xkb::VirtualKeyOfXKey(xKey)) << xKey;
    }
    EXPECT_EQ(mapping.XKeyOfVirtualKey('Z'), KeyZ);
    EXPECT_EQ(mapping.XKeyOfVirtualKey(0x11), 37u); // Ctrl: the left key
    EXPECT_EQ(mapping.XKeyOfVirtualKey(0x15B), 133u);
    EXPECT_FALSE(mapping.CapOf('Z'));
    EXPECT_EQ(mapping.KeySymName('Q'), "q");
    EXPECT_EQ(mapping.VirtualKeyOfKeySymName("Q"), 'Q');
}

TEST(KeyMapping, UsKeysAreTheirPositionsAndShowWhatTheyType)
{
    const KeyMapping us = Compile("us");
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        EXPECT_EQ(us.VirtualKeyOfXKey(xKey), platform::xkb::VirtualKeyOfXKey(xKey)) << xKey;
    }
    EXPECT_EQ(Label(us, 'Z'), "Z");
    EXPECT_EQ(Label(us, '1'), "1");
    EXPECT_EQ(Label(us, 0xBB), "=");
    EXPECT_EQ(Label(us, 0xC0), "`");
    EXPECT_EQ(us.CapOf('Z')->groupLabel, "");
    EXPECT_FALSE(us.CapOf(0x70)); // F1 follows no layout
    EXPECT_FALSE(us.IsIso());
}

TEST(KeyMapping, GermanQwertzFindsLettersAndPunctuationByWhatTheyType)
{
    const KeyMapping de = Compile("de");
    EXPECT_TRUE(de.IsIso());
    EXPECT_EQ(de.XKeyOfVirtualKey('Z'), KeyY);
    EXPECT_EQ(de.XKeyOfVirtualKey('Y'), KeyZ);
    EXPECT_EQ(de.VirtualKeyOfXKey(KeyY), 'Z');
    EXPECT_EQ(de.KeyAtPosition('Y'), 'Z');
    EXPECT_EQ(Label(de, de.KeyAtPosition('Y')), "Z");
    // The - key lies where the US / key does; ö ä ü ß # keep or take codes of their own.
    EXPECT_EQ(de.XKeyOfVirtualKey(0xBD), Slash);
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xBA)), "Ö");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xDE)), "Ä");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xDB)), "Ü");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xBD)), "ß");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xDD)), "+");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xDC)), "#");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xE2)), "<");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xC0)), "^");
    EXPECT_EQ(Label(de, de.KeyAtPosition(0xBB)), "´");
    // No German key types / without Shift, and its position is the - key's: no key has it.
    EXPECT_EQ(de.XKeyOfVirtualKey(0xBF), 0u);
    EXPECT_FALSE(de.CapOf(0xBF));
    EXPECT_EQ(de.KeySymName('Z'), "z");
    EXPECT_EQ(de.KeySymName(de.KeyAtPosition(0xBA)), "odiaeresis");
    EXPECT_EQ(de.VirtualKeyOfKeySymName("Odiaeresis"), de.KeyAtPosition(0xBA));
    EXPECT_EQ(de.KeySymName(0xBF), "");
    EXPECT_EQ(de.VirtualKeyOfKeySymName("slash"), 0);
    // The keypad comma reads as the comma key and is never sent for it.
    EXPECT_EQ(de.VirtualKeyOfXKey(129), 0xBC);
    EXPECT_EQ(de.XKeyOfVirtualKey(0xBC), 59u);
}

TEST(KeyMapping, FrenchAzertyTakesDigitsFromTheShiftLevel)
{
    const KeyMapping fr = Compile("fr");
    EXPECT_EQ(fr.XKeyOfVirtualKey('Q'), KeyA);
    EXPECT_EQ(fr.XKeyOfVirtualKey('A'), KeyQ);
    EXPECT_EQ(fr.XKeyOfVirtualKey('M'), Semicolon);
    EXPECT_EQ(fr.XKeyOfVirtualKey(0xBC), KeyM); // the comma
    EXPECT_EQ(fr.XKeyOfVirtualKey('1'), Digit1);
    EXPECT_EQ(Label(fr, '1'), "1");
    EXPECT_EQ(fr.KeySymName('Q'), "q");
    EXPECT_EQ(fr.VirtualKeyOfKeySymName("q"), 'Q');
}

TEST(KeyMapping, UkKeysShowPoundAndHash)
{
    const KeyMapping gb = Compile("gb");
    EXPECT_TRUE(gb.IsIso());
    // The key beside left Shift types \ on a UK keyboard; the key left of Enter types #.
    EXPECT_EQ(gb.XKeyOfVirtualKey(0xDC), Iso102);
    // No UK key has the code of the US place of the key beside left Shift; the Japanese key
    // that shares it does not take it.
    EXPECT_EQ(gb.XKeyOfVirtualKey(0xE2), 0u);
    EXPECT_EQ(gb.VirtualKeyOfXKey(97), 0);
    EXPECT_EQ(Label(gb, gb.VirtualKeyOfXKey(Backslash)), "#");
    EXPECT_EQ(Label(gb, '3'), "3");
    EXPECT_EQ(gb.XKeyOfVirtualKey('Z'), KeyZ);
}

TEST(KeyMapping, DvorakMovesLettersAndPunctuation)
{
    const KeyMapping dvorak = Compile("us", "dvorak");
    EXPECT_EQ(dvorak.XKeyOfVirtualKey('Z'), Slash);
    EXPECT_EQ(dvorak.XKeyOfVirtualKey(0xDB), Minus); // [
    EXPECT_EQ(dvorak.XKeyOfVirtualKey(0xBB), BracketRight);
    EXPECT_EQ(Label(dvorak, dvorak.KeyAtPosition('Q')), "'");
    EXPECT_FALSE(dvorak.IsIso());
}

TEST(KeyMapping, ANonLatinGroupUsesTheLatinGroupForCodesAndShowsItsOwnLettersSmall)
{
    const KeyMapping russian = Compile("us,ru", "", 1);
    EXPECT_EQ(russian.XKeyOfVirtualKey('Z'), KeyZ);
    EXPECT_EQ(russian.XKeyOfVirtualKey('Q'), KeyQ);
    EXPECT_EQ(russian.CapOf('Z'), (KeyCap{"Z", "Я", ""}));
    EXPECT_EQ(russian.CapOf('Q'), (KeyCap{"Q", "Й", ""}));
    EXPECT_EQ(russian.CapOf(0xC0), (KeyCap{"`", "Ё", "~"}));
    // Digits are the same in both groups: nothing small beside them, the Latin group's shifted
    // character above.
    EXPECT_EQ(russian.CapOf('1'), (KeyCap{"1", "", "!"}));
    EXPECT_EQ(russian.KeySymName('Q'), "q");
    const KeyMapping latin = Compile("us,ru", "", 0);
    EXPECT_EQ(latin.CapOf('Z'), (KeyCap{"Z", "", ""}));
    // A group that does not exist is the first.
    EXPECT_EQ(Compile("us,ru", "", 7), latin);
}

TEST(KeyMapping, WithoutAnyLatinGroupKeysKeepTheirPositions)
{
    const KeyMapping russian = Compile("ru");
    EXPECT_EQ(russian.XKeyOfVirtualKey('Z'), KeyZ);
    EXPECT_EQ(russian.XKeyOfVirtualKey(0xBF), Slash);
    EXPECT_EQ(Label(russian, 'Z'), "Я");
    EXPECT_TRUE(russian.IsIso());
}

TEST(KeyMapping, EveryLayoutGivesEachKeyOneCodeAndEachCodeOneKey)
{
    for (const char* layout : {"us", "de", "fr", "gb", "es", "it", "ru", "ua", "tr", "cz"}) {
        const KeyMapping mapping = Compile(layout);
        std::set<std::uint8_t> codes;
        for (unsigned xKey = 9; xKey < 256; ++xKey) {
            const std::uint8_t code = mapping.VirtualKeyOfXKey(xKey);
            if (code == 0 || mapping.XKeyOfVirtualKey(code) != xKey) {
                continue;
            }
            EXPECT_TRUE(codes.insert(code).second) << layout << " code " << int(code);
        }
        // Every letter, digit and punctuation position is drawn with some key.
        for (const int position :
             {int('A'), int('Z'), int('0'), int('9'), 0xBA, 0xBF, 0xC0, 0xDE}) {
            const std::uint16_t code = mapping.KeyAtPosition(static_cast<std::uint16_t>(position));
            ASSERT_NE(code, 0) << layout << " position " << position;
            EXPECT_EQ(mapping.XKeyOfVirtualKey(code),
                      platform::xkb::XKeyOfVirtualKey(static_cast<std::uint16_t>(position)))
                << layout << " position " << position;
            EXPECT_FALSE(Label(mapping, code).empty()) << layout << " position " << position;
        }
    }
}

TEST(KeyMapping, ACharacterIsTheKeyThatTypesItAndTakesShiftWhereThatKeyNeedsIt)
{
    const KeyMapping us = Compile("us");
    EXPECT_EQ(us.KeyOfCharacter(U'+'), (CharacterKey{0xBB, true}));
    EXPECT_EQ(us.KeyOfCharacter(U'='), (CharacterKey{0xBB, false}));
    EXPECT_EQ(us.KeyOfCharacter(U'('), (CharacterKey{'9', true}));
    EXPECT_EQ(us.KeyOfCharacter(U'%'), (CharacterKey{'5', true}));
    EXPECT_EQ(us.KeyOfCharacter(U'~'), (CharacterKey{0xC0, true}));
    EXPECT_FALSE(us.KeyOfCharacter(U'£'));

    // German: + has a key of its own right of Ü; ~ takes AltGr and counts as not typed; ^ is a
    // dead key, which types nothing by itself.
    const KeyMapping de = Compile("de");
    EXPECT_EQ(de.KeyOfCharacter(U'+'), (CharacterKey{de.VirtualKeyOfXKey(BracketRight), false}));
    EXPECT_EQ(de.KeyOfCharacter(U'('), (CharacterKey{'8', true}));
    EXPECT_EQ(de.KeyOfCharacter(U'/'), (CharacterKey{'7', true}));
    EXPECT_EQ(de.KeyOfCharacter(U'ö'), (CharacterKey{de.VirtualKeyOfXKey(Semicolon), false}));
    EXPECT_EQ(de.KeyOfCharacter(U'Ö'), (CharacterKey{de.VirtualKeyOfXKey(Semicolon), true}));
    EXPECT_FALSE(de.KeyOfCharacter(U'~'));
    EXPECT_FALSE(de.KeyOfCharacter(U'^'));

    // French: ( on the 5 key without Shift, + with Shift on the = key.
    const KeyMapping fr = Compile("fr");
    EXPECT_EQ(fr.KeyOfCharacter(U'('), (CharacterKey{'5', false}));
    EXPECT_EQ(fr.KeyOfCharacter(U'+'), (CharacterKey{fr.VirtualKeyOfXKey(Equal), true}));
    EXPECT_EQ(fr.KeyOfCharacter(U'%'), (CharacterKey{fr.VirtualKeyOfXKey(Apostrophe), true}));

    const KeyMapping gb = Compile("gb");
    EXPECT_EQ(gb.KeyOfCharacter(U'£'), (CharacterKey{'3', true}));
    EXPECT_EQ(gb.KeyOfCharacter(U'"'), (CharacterKey{'2', true}));
    EXPECT_EQ(gb.KeyOfCharacter(U'@'), (CharacterKey{gb.VirtualKeyOfXKey(Apostrophe), true}));
    EXPECT_EQ(gb.KeyOfCharacter(U'~'), (CharacterKey{gb.VirtualKeyOfXKey(Backslash), true}));

    // With the Russian group active, characters are typed in the Latin group, as letters are.
    const KeyMapping russian = Compile("us,ru", "", 1);
    EXPECT_EQ(russian.KeyOfCharacter(U'('), (CharacterKey{'9', true}));
    EXPECT_EQ(russian.KeyOfCharacter(U'~'), (CharacterKey{0xC0, true}));
    EXPECT_FALSE(KeyMapping().KeyOfCharacter(U'+'));
}

TEST(KeyMapping, CapsShowWhatShiftTypesWhereItIsMoreThanTheCapitalLetter)
{
    const auto shifted = [](const KeyMapping& mapping, std::uint16_t code) {
        return mapping.CapOf(code).value_or(KeyCap{"", "", "(none)"}).shiftLabel;
    };
    const KeyMapping gb = Compile("gb");
    EXPECT_EQ(shifted(gb, '3'), "£");
    EXPECT_EQ(shifted(gb, gb.VirtualKeyOfXKey(Backslash)), "~");
    EXPECT_EQ(shifted(gb, 'A'), "");
    const KeyMapping de = Compile("de");
    EXPECT_EQ(shifted(de, '7'), "/");
    EXPECT_EQ(shifted(de, de.VirtualKeyOfXKey(Minus)), "?");    // ß
    EXPECT_EQ(shifted(de, de.VirtualKeyOfXKey(Semicolon)), ""); // Ö
    EXPECT_EQ(shifted(de, de.VirtualKeyOfXKey(Grave)), "°");
    const KeyMapping us = Compile("us");
    EXPECT_EQ(shifted(us, '1'), "!");
    EXPECT_EQ(shifted(us, 0xBF), "?");
    EXPECT_EQ(shifted(us, 'Z'), "");
    // A French digit key is labelled with the digit it types with Shift: nothing more above it.
    const KeyMapping fr = Compile("fr");
    EXPECT_EQ(fr.CapOf('1'), (KeyCap{"1", "", ""}));
}
