#include "platform/linux/KeyTable.h"

#include <gtest/gtest.h>

#include <set>

using platform::xkb::KeySymOfVirtualKey;
using platform::xkb::VirtualKeyOfKeySym;
using platform::xkb::VirtualKeyOfXKey;
using platform::xkb::XKeyOfVirtualKey;

namespace {

// X key code = evdev code + 8: a few keys by their evdev codes.
constexpr unsigned Evdev(unsigned code)
{
    return code + 8;
}

} // namespace

TEST(Keytable, KnownKeysTranslateBothWays)
{
    struct Case
    {
        unsigned xKey;
        std::uint8_t virtualKey;
    };
    const Case cases[] = {
        {Evdev(1), 0x1B},   {Evdev(16), 'Q'},   {Evdev(31), 'S'},   {Evdev(11), '0'},
        {Evdev(2), '1'},    {Evdev(29), 0xA2},  {Evdev(97), 0xA3},  {Evdev(42), 0xA0},
        {Evdev(54), 0xA1},  {Evdev(56), 0xA4},  {Evdev(100), 0xA5}, {Evdev(125), 0x5B},
        {Evdev(126), 0x5C}, {Evdev(127), 0x5D}, {Evdev(59), 0x70},  {Evdev(88), 0x7B},
        {Evdev(194), 0x87}, {Evdev(111), 0x2E}, {Evdev(82), 0x60},  {Evdev(98), 0x6F},
        {Evdev(99), 0x2C},  {Evdev(119), 0x13}, {Evdev(39), 0xBA},  {Evdev(41), 0xC0},
        {Evdev(86), 0xE2},  {Evdev(217), 0xAA},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VirtualKeyOfXKey(c.xKey), c.virtualKey) << "X key " << c.xKey;
        EXPECT_EQ(XKeyOfVirtualKey(c.virtualKey), c.xKey) << "virtual key " << int(c.virtualKey);
    }
}

TEST(Keytable, EveryListedKeyRoundTripsUnlessItsCodeBelongsToAnotherKey)
{
    std::set<std::uint8_t> seen;
    int listed = 0;
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        const std::uint8_t code = VirtualKeyOfXKey(xKey);
        if (code == 0) {
            continue;
        }
        ++listed;
        const unsigned sent = XKeyOfVirtualKey(code);
        // A shared code is sent by the lowest key listing it (Enter before keypad Enter).
        EXPECT_EQ(VirtualKeyOfXKey(sent), code) << "X key " << xKey;
        if (seen.insert(code).second) {
            EXPECT_EQ(sent, xKey) << "X key " << xKey;
        } else {
            EXPECT_LT(sent, xKey);
        }
    }
    EXPECT_EQ(listed, 144);
}

TEST(Keytable, SharedCodesAreSentByTheMainKey)
{
    EXPECT_EQ(VirtualKeyOfXKey(Evdev(96)), 0x0D); // keypad Enter
    EXPECT_EQ(XKeyOfVirtualKey(0x0D), Evdev(28));
    EXPECT_EQ(VirtualKeyOfXKey(Evdev(89)), 0xE2); // IntlRo
    EXPECT_EQ(XKeyOfVirtualKey(0xE2), Evdev(86));
    EXPECT_EQ(XKeyOfVirtualKey(0xBC), Evdev(51)); // comma, not keypad comma
}

TEST(Keytable, GenericModifiersAndAnyWinAreSentAsTheLeftKey)
{
    EXPECT_EQ(XKeyOfVirtualKey(16), Evdev(42));
    EXPECT_EQ(XKeyOfVirtualKey(17), Evdev(29));
    EXPECT_EQ(XKeyOfVirtualKey(18), Evdev(56));
    EXPECT_EQ(XKeyOfVirtualKey(347), Evdev(125));
    // The generic codes are never read back from a key.
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        const std::uint8_t code = VirtualKeyOfXKey(xKey);
        EXPECT_TRUE(code < 16 || code > 18) << "X key " << xKey;
    }
}

TEST(Keytable, UnknownCodesGiveZero)
{
    for (const unsigned xKey : {0u, 8u, Evdev(84), Evdev(120), 255u, 256u, 100000u}) {
        EXPECT_EQ(VirtualKeyOfXKey(xKey), 0) << "X key " << xKey;
    }
    for (const std::uint16_t code : {0, 1, 2, 4, 0x07, 0x0A, 0x3A, 0x40, 0xFF, 0x100, 0x15C}) {
        EXPECT_EQ(XKeyOfVirtualKey(code), 0u) << "virtual key " << code;
    }
}

TEST(Keytable, KeySymNamesAreThoseOfAUsLayoutAndReadInAnyCase)
{
    EXPECT_EQ(KeySymOfVirtualKey('Q'), "q");
    EXPECT_EQ(KeySymOfVirtualKey('7'), "7");
    EXPECT_EQ(KeySymOfVirtualKey(0x70), "F1");
    EXPECT_EQ(KeySymOfVirtualKey(0x0D), "Return"); // the main block's Enter, not the keypad's
    EXPECT_EQ(KeySymOfVirtualKey(0xBC), "comma");  // not the keypad comma's KP_Decimal
    EXPECT_EQ(KeySymOfVirtualKey(0x87), "");       // F24 has no keysym in that keymap
    EXPECT_EQ(VirtualKeyOfKeySym("q"), 'Q');
    EXPECT_EQ(VirtualKeyOfKeySym("Q"), 'Q');
    EXPECT_EQ(VirtualKeyOfKeySym("return"), 0x0D);
    EXPECT_EQ(VirtualKeyOfKeySym("F12"), 0x7B);
    EXPECT_EQ(VirtualKeyOfKeySym("nosuchkey"), 0);
    EXPECT_EQ(VirtualKeyOfKeySym(""), 0);
    // Every name leads back to a key that has it.
    for (unsigned code = 1; code < 256; ++code) {
        const std::string name = KeySymOfVirtualKey(static_cast<std::uint16_t>(code));
        if (!name.empty()) {
            EXPECT_EQ(KeySymOfVirtualKey(VirtualKeyOfKeySym(name)), name) << code;
        }
    }
}
