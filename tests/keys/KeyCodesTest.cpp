#include "platform/VirtualKeys.h"
#include "keys/HeldKeys.h"
#include "keys/KeyCodes.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

TEST(KeyCodes, LeftAndRightModifiersAreOneElementAndTheFirstKeepsItsCode)
{
    CKeyCodes generic{16};
    generic.Add(160);
    EXPECT_EQ(generic, CKeyCodes{16});
    CKeyCodes left{160};
    left.Add(16);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(*left.begin(), 160);
    EXPECT_EQ(generic.GetText(), "Shift");
    EXPECT_EQ(left.GetText(), "Shift");

    CKeyCodes win{vk::AnyWin};
    win.Add(91);
    win.Add(92);
    EXPECT_EQ(win.size(), 1u);
}

TEST(KeyCodes, DisplayOrderIsWinCtrlAltShiftThenCodes)
{
    CKeyCodes keys;
    for (std::uint16_t code : {16, 0x74, 92, 0x41, 164, 17}) {
        keys.Add(code);
    }
    EXPECT_EQ(std::vector<std::uint16_t>(keys.begin(), keys.end()),
              (std::vector<std::uint16_t>{92, 17, 164, 16, 0x41, 0x74}));
    EXPECT_EQ(keys.GetText(), "Win + Ctrl + Alt + Shift + A + F5");
    EXPECT_EQ((CKeyCodes{17, 106}).GetText(), "Ctrl + Num *");
    EXPECT_EQ((CKeyCodes{17, 255}).GetText(), "Ctrl");
    EXPECT_EQ(CKeyCodes().GetText(), "");
    EXPECT_EQ((CKeyCodes{144, 110}).GetText(), "Num . + Num Lock");
}

TEST(KeyCodes, KeyNames)
{
    EXPECT_EQ(GetKeyName(91), "Win");
    EXPECT_EQ(GetKeyName(92), "Win");
    EXPECT_EQ(GetKeyName(96), "Num 0");
    EXPECT_EQ(GetKeyName(105), "Num 9");
    EXPECT_EQ(GetKeyName(107), "Num +");
    EXPECT_EQ(GetKeyName(111), "Num /");
    EXPECT_EQ(GetKeyName(192), "`");
    EXPECT_EQ(GetKeyName(226), "\\|");
    EXPECT_EQ(GetKeyName(0x3B), ";");
    EXPECT_EQ(GetKeyName(186), ";");
    EXPECT_EQ(GetKeyName(0x40), "@");
    EXPECT_EQ(GetKeyName(163), "Ctrl");
    EXPECT_EQ(GetKeyName(165), "Alt");
    EXPECT_EQ(GetKeyName(19), "Break");
    EXPECT_EQ(GetKeyName(112), "F1");
    EXPECT_EQ(GetKeyName(123), "F12");
    EXPECT_EQ(GetKeyName(220), "\\");
    for (std::uint16_t unnamed : {0, 124, 255, 346, 348}) {
        EXPECT_EQ(GetKeyName(unnamed), "") << unnamed;
    }
    EXPECT_EQ(GetShortKeyName(34), "PgDn");
    EXPECT_EQ(GetShortKeyName(44), "PrtSc");
    EXPECT_EQ(GetShortKeyName(144), "NumLk");
    EXPECT_EQ(GetShortKeyName(0x41), "A");
}

TEST(KeyCodes, ContainsAndDifferenceTreatSidesAsEqual)
{
    const CKeyCodes ctrlAltDelete{17, 18, 46};
    EXPECT_EQ(ctrlAltDelete - CKeyCodes{18}, (CKeyCodes{17, 46}));
    EXPECT_EQ(ctrlAltDelete - CKeyCodes{165}, (CKeyCodes{17, 46}));
    EXPECT_TRUE((CKeyCodes{17, 16, 65}).Contains(CKeyCodes{16}));
    EXPECT_TRUE((CKeyCodes{17, 16, 65}).Contains(CKeyCodes{161, 65}));
    EXPECT_TRUE((CKeyCodes{17}).Contains(CKeyCodes()));
    EXPECT_FALSE((CKeyCodes{17, 65}).Contains(CKeyCodes{17, 66}));
    EXPECT_TRUE((CKeyCodes{16} - CKeyCodes{17, 16, 65}).empty());
}

TEST(KeyCodes, StoredFormIsLittleEndianWordsInDisplayOrder)
{
    CKeyCodes keys;
    keys.Add(0x53);
    keys.Add(17);
    EXPECT_EQ(keys.SaveToBuffer(), (Bytes{0x11, 0x00, 0x53, 0x00}));
    EXPECT_EQ(CKeyCodes().SaveToBuffer(), Bytes());
    EXPECT_EQ(CKeyCodes{vk::AnyWin}.SaveToBuffer(), (Bytes{0x5B, 0x01}));

    CKeyCodes loaded{65};
    const Bytes reversed{0x53, 0x00, 0x11, 0x00};
    loaded.LoadFromBuffer(reversed.data(), reversed.size());
    EXPECT_EQ(loaded, (CKeyCodes{17, 0x53}));

    const Bytes odd{0x11, 0x00, 0x53, 0x00, 0x41};
    loaded.LoadFromBuffer(odd.data(), odd.size());
    EXPECT_EQ(loaded, (CKeyCodes{17, 0x53}));

    const Bytes twoShifts{0x10, 0x00, 0xA0, 0x00};
    loaded.LoadFromBuffer(twoShifts.data(), twoShifts.size());
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(*loaded.begin(), 16);

    loaded.LoadFromBuffer(nullptr, 1);
    EXPECT_TRUE(loaded.empty());
    loaded.LoadFromBuffer(odd.data(), 1);
    EXPECT_TRUE(loaded.empty());

    const CKeyCodes all{vk::AnyWin, 163, 18, 161, 0x41, 0xDE};
    const Bytes saved = all.SaveToBuffer();
    loaded.LoadFromBuffer(saved.data(), saved.size());
    EXPECT_EQ(loaded, all);
}

TEST(KeyCodes, EmulatePressesAllInOrderThenReleasesInTheSameOrder)
{
    FakeEnvironment env;
    using Event = platform::FakePlatform::KeyEvent;
    CKeyCodes{0x53, 17}.Emulate(env.platform, {});
    EXPECT_EQ(env.platform.sentKeys,
              (std::vector<Event>{{17, false}, {0x53, false}, {17, true}, {0x53, true}}));

    env.platform.sentKeys.clear();
    CKeyCodes{vk::AnyWin, 0x45}.Emulate(env.platform, {});
    EXPECT_EQ(env.platform.sentKeys,
              (std::vector<Event>{{91, false}, {0x45, false}, {91, true}, {0x45, true}}));

    env.platform.sentKeys.clear();
    CKeyCodes().Emulate(env.platform, {17});
    EXPECT_TRUE(env.platform.sentKeys.empty());
}

TEST(KeyCodes, LetterDigitAndPunctuationKeysAreNamedByTheActiveLayout)
{
    FakeEnvironment env;
    // Without a layout the platform tells, the US names; the = key is named =, not +.
    EXPECT_EQ(GetKeyName(0xBB), "=");
    EXPECT_EQ((CKeyCodes{17, 16, 0xBB}).GetText(), "Ctrl + Shift + =");
    env.platform.keyCaps = {{0xBA, {"Ö", "", ""}}, {'Z', {"Z", "Я", ""}}, {0xDF, {"ß", "", "?"}}};
    EXPECT_EQ(GetKeyName(0xBA), "Ö");
    EXPECT_EQ(GetKeyName('Z'), "Z");
    EXPECT_EQ(GetKeyName(0xDF), "ß");
    EXPECT_EQ((CKeyCodes{17, 0xBA}).GetText(), "Ctrl + Ö");
    EXPECT_EQ(GetShortKeyName(0xDF), "ß");
    // The US names stay what they are.
    EXPECT_EQ(GetUsKeyName(0xBA), ";");
    EXPECT_EQ(GetKeyName(0x70), "F1");
}

TEST(KeyCodes, EmulateReleasesAHeldKeyBeforePressingIt)
{
    FakeEnvironment env;
    using Event = platform::FakePlatform::KeyEvent;
    // Ctrl still held from the gesture; Shift held but not part of the shortcut.
    CKeyCodes{0x53, 17}.Emulate(env.platform, {17, 16});
    EXPECT_EQ(
        env.platform.sentKeys,
        (std::vector<Event>{{17, true}, {17, false}, {0x53, false}, {17, true}, {0x53, true}}));
}

TEST(KeyCodes, KeysWrittenByCharacterAreTheKeysThatTypeThemOnTheActiveLayout)
{
    FakeEnvironment env;
    const std::uint16_t plus = CharacterKeyCode(U'+');
    const std::uint16_t tilde = CharacterKeyCode(U'~');
    // Named by their character wherever they are typed.
    EXPECT_EQ(GetKeyName(plus), "+");
    EXPECT_EQ(GetKeyName(CharacterKeyCode(U'£')), "£");
    EXPECT_EQ((CKeyCodes{vk::Control, plus}).GetText(), "Ctrl + +");
    // A US keyboard types + with Shift on the = key, a German one without on a key of its own.
    env.platform.characterKeys = {{U'+', {0xBB, true}}};
    EXPECT_EQ((CKeyCodes{vk::Control, plus}).OnLayout(env.platform),
              (CKeyCodes{vk::Control, vk::Shift, 0xBB}));
    env.platform.characterKeys = {{U'+', {0xDD, false}}};
    EXPECT_EQ((CKeyCodes{vk::Control, plus}).OnLayout(env.platform),
              (CKeyCodes{vk::Control, 0xDD}));
    // Shift written too is one Shift; other keys stay; a character no key types stays and so
    // matches no key of the keyboard.
    env.platform.characterKeys = {{U'+', {0xBB, true}}};
    EXPECT_EQ((CKeyCodes{vk::Control, vk::RShift, plus}).OnLayout(env.platform),
              (CKeyCodes{vk::Control, vk::RShift, 0xBB}));
    EXPECT_EQ((CKeyCodes{vk::Control, 'Z'}).OnLayout(env.platform), (CKeyCodes{vk::Control, 'Z'}));
    EXPECT_EQ((CKeyCodes{vk::Control, tilde}).OnLayout(env.platform),
              (CKeyCodes{vk::Control, tilde}));
    // Stored as any other key number.
    CKeyCodes loaded;
    const Bytes stored = (CKeyCodes{vk::Control, plus}).SaveToBuffer();
    EXPECT_EQ(stored, (Bytes{0x11, 0x00, 0x2B, 0x80}));
    loaded.LoadFromBuffer(stored.data(), stored.size());
    EXPECT_EQ(loaded, (CKeyCodes{vk::Control, plus}));
}

TEST(HeldKeys, ACommonCodeIsHeldWhileEitherSideIs)
{
    CHeldKeys held;
    held.Set(vk::RShift, true);
    held.Set(vk::LWin, true);
    held.Set('Q', true);
    EXPECT_TRUE(held.IsDown(vk::RShift));
    EXPECT_FALSE(held.IsDown(vk::LShift));
    EXPECT_TRUE(held.IsDown(vk::Shift));
    EXPECT_TRUE(held.IsDown(vk::AnyWin));
    EXPECT_FALSE(held.IsDown(vk::Control));
    EXPECT_TRUE(held.IsDown('Q'));

    held.Set(vk::RShift, false);
    EXPECT_FALSE(held.IsDown(vk::Shift));
    // Codes beyond a byte are held only as the common code of their sides.
    held.Set(vk::AnyWin, true);
    held.Clear();
    EXPECT_FALSE(held.IsDown(vk::AnyWin));
    EXPECT_FALSE(held.IsDown('Q'));
}
