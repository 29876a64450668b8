#include "live/Accelerator.h"

#include "platform/VirtualKeys.h"
#include "platform/linux/KeyMapping.h"

#include <xkbcommon/xkbcommon.h>

#include <gtest/gtest.h>

#include <memory>

using live::ParseGtkAccelerator;
using live::ParseKeyBinding;
using live::ParseQtShortcut;
using platform::xkb::KeyMapping;

namespace {

// The key numbers of a layout compiled from XKB names, as the platform resolves keysym names.
class Layout
{
public:
    Layout(const char* layouts, std::uint32_t active = 0)
    {
        std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
            xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), &xkb_context_unref);
        const xkb_rule_names names{"evdev", "pc105", layouts, "", ""};
        xkb_keymap* keymap =
            xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        EXPECT_NE(keymap, nullptr) << layouts;
        if (keymap) {
            mapping_ = KeyMapping(keymap, active, layouts);
            xkb_keymap_unref(keymap);
        }
    }

    live::KeyOfKeySym KeyOf() const
    {
        return [this](const std::string& name) { return mapping_.VirtualKeyOfKeySymName(name); };
    }
    const KeyMapping& Mapping() const { return mapping_; }

private:
    KeyMapping mapping_;
};

} // namespace

TEST(Accelerator, GtkAcceleratorsReadTheirModifiersAndKeysymNames)
{
    const Layout us("us");
    EXPECT_EQ(ParseGtkAccelerator("<Primary>s", us.KeyOf()), (CKeyCodes{vk::Control, 'S'}));
    EXPECT_EQ(ParseGtkAccelerator("<Control><Shift>u", us.KeyOf()),
              (CKeyCodes{vk::Control, vk::Shift, 'U'}));
    EXPECT_EQ(ParseGtkAccelerator("<ctrl><alt>Page_Up", us.KeyOf()),
              (CKeyCodes{vk::Control, vk::Menu, 0x21}));
    EXPECT_EQ(ParseGtkAccelerator("<Super>F5", us.KeyOf()), (CKeyCodes{vk::AnyWin, 0x74}));
    EXPECT_EQ(ParseGtkAccelerator("<Mod1>Return", us.KeyOf()), (CKeyCodes{vk::Menu, vk::Return}));
    EXPECT_EQ(ParseGtkAccelerator("Delete", us.KeyOf()), (CKeyCodes{0x2E}));
    // An upper-case keysym is the same key; Shift is written as a modifier.
    EXPECT_EQ(ParseGtkAccelerator("<Primary>S", us.KeyOf()), (CKeyCodes{vk::Control, 'S'}));
    EXPECT_EQ(ParseGtkAccelerator("<Primary>slash", us.KeyOf()), (CKeyCodes{vk::Control, 0xBF}));
}

TEST(Accelerator, TextThatIsNoAcceleratorGivesNoKeys)
{
    const Layout us("us");
    for (const char* text : {"", "<Primary>", "<Primary", "<Hyper>s", "<Meta>s", "<Release>s",
                             "<Primary>nosuchkey", "<Primary>Shift_L", "<Primary>s t", "s;x"}) {
        EXPECT_TRUE(ParseGtkAccelerator(text, us.KeyOf()).empty()) << text;
    }
    for (const char* text : {"", "Ctrl+", "Ctrl+Shift", "Nonsense+S"}) {
        EXPECT_TRUE(ParseQtShortcut(text, us.KeyOf()).empty()) << text;
    }
}

TEST(Accelerator, KeysLandOnTheKeysOfTheActiveLayout)
{
    // German: the key that types ö without Shift has a number of its own; / takes Shift+7, so it
    // stays a key written by its character, found on the layout when shown.
    const Layout de("de");
    const std::uint16_t oUmlaut = de.Mapping().KeyAtPosition(0xBA);
    EXPECT_EQ(ParseGtkAccelerator("<Primary>odiaeresis", de.KeyOf()),
              (CKeyCodes{vk::Control, oUmlaut}));
    EXPECT_EQ(ParseGtkAccelerator("<Primary>slash", de.KeyOf()),
              (CKeyCodes{vk::Control, CharacterKeyCode(U'/')}));
    EXPECT_EQ(ParseGtkAccelerator("<Primary>z", de.KeyOf()), (CKeyCodes{vk::Control, 'Z'}));
    EXPECT_EQ(de.Mapping().XKeyOfVirtualKey('Z'), 29u); // where the US Y lies
    // On a US layout no key types ö: the character, which matches no key there.
    const Layout us("us");
    EXPECT_EQ(ParseGtkAccelerator("<Primary>odiaeresis", us.KeyOf()),
              (CKeyCodes{vk::Control, CharacterKeyCode(U'ö')}));
    // French: the digits lie on the Shift level, the letters where AZERTY has them.
    const Layout fr("fr");
    EXPECT_EQ(ParseGtkAccelerator("<Primary>1", fr.KeyOf()), (CKeyCodes{vk::Control, '1'}));
    EXPECT_EQ(ParseQtShortcut("Ctrl+A", fr.KeyOf()), (CKeyCodes{vk::Control, 'A'}));
    EXPECT_EQ(fr.Mapping().XKeyOfVirtualKey('A'), 24u); // where the US Q lies
    // us,ru with the Russian group active: Latin keysyms are the keys of the Latin group.
    const Layout usRu("us,ru", 1);
    EXPECT_EQ(ParseGtkAccelerator("<Primary>s", usRu.KeyOf()), (CKeyCodes{vk::Control, 'S'}));
    EXPECT_EQ(ParseQtShortcut("Ctrl+.", usRu.KeyOf()), (CKeyCodes{vk::Control, 0xBE}));
}

TEST(Accelerator, QtPortableTextReadsNamedKeysAndCharacters)
{
    const Layout us("us");
    EXPECT_EQ(ParseQtShortcut("Ctrl+S", us.KeyOf()), (CKeyCodes{vk::Control, 'S'}));
    EXPECT_EQ(ParseQtShortcut("Ctrl+Shift+PgDown", us.KeyOf()),
              (CKeyCodes{vk::Control, vk::Shift, 0x22}));
    EXPECT_EQ(ParseQtShortcut("Alt+F4", us.KeyOf()), (CKeyCodes{vk::Menu, 0x73}));
    EXPECT_EQ(ParseQtShortcut("Meta+Del", us.KeyOf()), (CKeyCodes{vk::AnyWin, 0x2E}));
    EXPECT_EQ(ParseQtShortcut("Esc", us.KeyOf()), (CKeyCodes{vk::Escape}));
    EXPECT_EQ(ParseQtShortcut("Ctrl++", us.KeyOf()),
              (CKeyCodes{vk::Control, CharacterKeyCode(U'+')}));
    // A sequence: its first combination.
    EXPECT_EQ(ParseQtShortcut("Ctrl+K, Ctrl+D", us.KeyOf()), (CKeyCodes{vk::Control, 'K'}));
}

TEST(Accelerator, KeyBindingsGiveTheirShortcutNotTheirMnemonics)
{
    const Layout us("us");
    EXPECT_EQ(ParseKeyBinding("s;<Alt>f:s;<Primary>s", us.KeyOf()), (CKeyCodes{vk::Control, 'S'}));
    EXPECT_TRUE(ParseKeyBinding("s;<Alt>f:s;", us.KeyOf()).empty());
    EXPECT_EQ(ParseKeyBinding("Ctrl+O", us.KeyOf()), (CKeyCodes{vk::Control, 'O'}));
    // Qt reports a menu's access key as Alt+letter: it is dropped when the label marks the letter.
    const CKeyCodes altF = ParseKeyBinding("Alt+F", us.KeyOf());
    EXPECT_TRUE(live::IsMnemonicOf(altF, "&File", '&'));
    EXPECT_FALSE(live::IsMnemonicOf(altF, "&Edit", '&'));
    EXPECT_FALSE(live::IsMnemonicOf(altF, "F&&ile", '&'));
    EXPECT_FALSE(live::IsMnemonicOf(ParseKeyBinding("Ctrl+F", us.KeyOf()), "&File", '&'));
}

TEST(Accelerator, MnemonicMarkersAreDropped)
{
    EXPECT_EQ(live::DropMnemonic("_Save", '_'), "Save");
    EXPECT_EQ(live::DropMnemonic("Save _As…", '_'), "Save As…");
    EXPECT_EQ(live::DropMnemonic("snake__case", '_'), "snake_case");
    EXPECT_EQ(live::DropMnemonic("&Open && Close", '&'), "Open & Close");
    EXPECT_EQ(live::DropMnemonic("trailing_", '_'), "trailing");
}
