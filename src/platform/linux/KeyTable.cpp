#include "platform/linux/KeyTable.h"
#include "platform/VirtualKeys.h"

#include <array>

namespace platform::x11 {

namespace {

struct Row
{
    std::uint8_t xKey;
    std::uint8_t virtualKey;
};

// X key code (evdev + 8) and virtual-key code. For a code listed twice, the first row is the key
// that sends it.
constexpr Row Rows[] = {
    {9, 0x1B},   // Escape
    {10, 0x31},  // Digit1
    {11, 0x32},  // Digit2
    {12, 0x33},  // Digit3
    {13, 0x34},  // Digit4
    {14, 0x35},  // Digit5
    {15, 0x36},  // Digit6
    {16, 0x37},  // Digit7
    {17, 0x38},  // Digit8
    {18, 0x39},  // Digit9
    {19, 0x30},  // Digit0
    {20, 0xBD},  // Minus
    {21, 0xBB},  // Equal
    {22, 0x08},  // Backspace
    {23, 0x09},  // Tab
    {24, 0x51},  // KeyQ
    {25, 0x57},  // KeyW
    {26, 0x45},  // KeyE
    {27, 0x52},  // KeyR
    {28, 0x54},  // KeyT
    {29, 0x59},  // KeyY
    {30, 0x55},  // KeyU
    {31, 0x49},  // KeyI
    {32, 0x4F},  // KeyO
    {33, 0x50},  // KeyP
    {34, 0xDB},  // BracketLeft
    {35, 0xDD},  // BracketRight
    {36, 0x0D},  // Enter
    {37, 0xA2},  // ControlLeft
    {38, 0x41},  // KeyA
    {39, 0x53},  // KeyS
    {40, 0x44},  // KeyD
    {41, 0x46},  // KeyF
    {42, 0x47},  // KeyG
    {43, 0x48},  // KeyH
    {44, 0x4A},  // KeyJ
    {45, 0x4B},  // KeyK
    {46, 0x4C},  // KeyL
    {47, 0xBA},  // Semicolon
    {48, 0xDE},  // Quote
    {49, 0xC0},  // Backquote
    {50, 0xA0},  // ShiftLeft
    {51, 0xDC},  // Backslash
    {52, 0x5A},  // KeyZ
    {53, 0x58},  // KeyX
    {54, 0x43},  // KeyC
    {55, 0x56},  // KeyV
    {56, 0x42},  // KeyB
    {57, 0x4E},  // KeyN
    {58, 0x4D},  // KeyM
    {59, 0xBC},  // Comma
    {60, 0xBE},  // Period
    {61, 0xBF},  // Slash
    {62, 0xA1},  // ShiftRight
    {63, 0x6A},  // NumpadMultiply
    {64, 0xA4},  // AltLeft
    {65, 0x20},  // Space
    {66, 0x14},  // CapsLock
    {67, 0x70},  // F1
    {68, 0x71},  // F2
    {69, 0x72},  // F3
    {70, 0x73},  // F4
    {71, 0x74},  // F5
    {72, 0x75},  // F6
    {73, 0x76},  // F7
    {74, 0x77},  // F8
    {75, 0x78},  // F9
    {76, 0x79},  // F10
    {77, 0x90},  // NumLock
    {78, 0x91},  // ScrollLock
    {79, 0x67},  // Numpad7
    {80, 0x68},  // Numpad8
    {81, 0x69},  // Numpad9
    {82, 0x6D},  // NumpadSubtract
    {83, 0x64},  // Numpad4
    {84, 0x65},  // Numpad5
    {85, 0x66},  // Numpad6
    {86, 0x6B},  // NumpadAdd
    {87, 0x61},  // Numpad1
    {88, 0x62},  // Numpad2
    {89, 0x63},  // Numpad3
    {90, 0x60},  // Numpad0
    {91, 0x6E},  // NumpadDecimal
    {94, 0xE2},  // IntlBackslash (102nd)
    {95, 0x7A},  // F11
    {96, 0x7B},  // F12
    {97, 0xE2},  // IntlRo
    {100, 0x1C}, // Convert
    {101, 0x15}, // KanaMode
    {102, 0x1D}, // NonConvert
    {104, 0x0D}, // NumpadEnter
    {105, 0xA3}, // ControlRight
    {106, 0x6F}, // NumpadDivide
    {107, 0x2C}, // PrintScreen (SysRq)
    {108, 0xA5}, // AltRight
    {110, 0x24}, // Home
    {111, 0x26}, // ArrowUp
    {112, 0x21}, // PageUp
    {113, 0x25}, // ArrowLeft
    {114, 0x27}, // ArrowRight
    {115, 0x23}, // End
    {116, 0x28}, // ArrowDown
    {117, 0x22}, // PageDown
    {118, 0x2D}, // Insert
    {119, 0x2E}, // Delete
    {121, 0xAD}, // AudioVolumeMute
    {122, 0xAE}, // AudioVolumeDown
    {123, 0xAF}, // AudioVolumeUp
    {127, 0x13}, // Pause
    {129, 0xBC}, // NumpadComma
    {130, 0x15}, // Lang1 (Hangul)
    {131, 0x19}, // Lang2 (Hanja)
    {132, 0xDC}, // IntlYen
    {133, 0x5B}, // MetaLeft (Win)
    {134, 0x5C}, // MetaRight
    {135, 0x5D}, // ContextMenu (KEY_COMPOSE)
    {136, 0xA9}, // BrowserStop (KEY_STOP)
    {148, 0xB7}, // LaunchApp2 (KEY_CALC)
    {150, 0x5F}, // Sleep
    {152, 0xB6}, // LaunchApp1 (KEY_COMPUTER)
    {163, 0xB4}, // LaunchMail
    {164, 0xAB}, // BrowserFavorites (KEY_BOOKMARKS)
    {166, 0xA6}, // BrowserBack
    {167, 0xA7}, // BrowserForward
    {171, 0xB0}, // MediaTrackNext
    {172, 0xB3}, // MediaPlayPause
    {173, 0xB1}, // MediaTrackPrevious
    {174, 0xB2}, // MediaStop (KEY_STOPCD)
    {179, 0xB5}, // MediaSelect (KEY_CONFIG)
    {180, 0xAC}, // BrowserHome (KEY_HOMEPAGE)
    {181, 0xA8}, // BrowserRefresh
    {191, 0x7C}, // F13
    {192, 0x7D}, // F14
    {193, 0x7E}, // F15
    {194, 0x7F}, // F16
    {195, 0x80}, // F17
    {196, 0x81}, // F18
    {197, 0x82}, // F19
    {198, 0x83}, // F20
    {199, 0x84}, // F21
    {200, 0x85}, // F22
    {201, 0x86}, // F23
    {202, 0x87}, // F24
    {225, 0xAA}, // BrowserSearch (KEY_SEARCH)
};

struct Tables
{
    std::array<std::uint8_t, 256> virtualOfX{};
    std::array<std::uint8_t, 256> xOfVirtual{};
};

constexpr Tables BuildTables()
{
    Tables tables;
    for (const Row& row : Rows) {
        tables.virtualOfX[row.xKey] = row.virtualKey;
        if (tables.xOfVirtual[row.virtualKey] == 0) {
            tables.xOfVirtual[row.virtualKey] = row.xKey;
        }
    }
    // The generic modifiers have no key of their own: they are sent as the left key.
    tables.xOfVirtual[vk::Shift] = tables.xOfVirtual[vk::LShift];
    tables.xOfVirtual[vk::Control] = tables.xOfVirtual[vk::LControl];
    tables.xOfVirtual[vk::Menu] = tables.xOfVirtual[vk::LMenu];
    return tables;
}

constexpr Tables KeyTables = BuildTables();

} // namespace

std::uint8_t VirtualKeyOfXKey(unsigned xKeyCode)
{
    return xKeyCode < KeyTables.virtualOfX.size() ? KeyTables.virtualOfX[xKeyCode] : 0;
}

unsigned XKeyOfVirtualKey(std::uint16_t virtualKey)
{
    // vk::AnyWin's low byte is the left Windows key.
    const std::uint16_t code = virtualKey == vk::AnyWin ? (vk::AnyWin & 0xFF) : virtualKey;
    return code < KeyTables.xOfVirtual.size() ? KeyTables.xOfVirtual[code] : 0;
}

} // namespace platform::x11
