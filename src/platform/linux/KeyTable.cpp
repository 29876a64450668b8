#include "platform/linux/KeyTable.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace platform::xkb {

namespace {

struct Row
{
    std::uint8_t xKey;
    std::uint8_t virtualKey;
    // The keysym of the key in a US layout (xmodmap -pke on Debian 12's Xvfb: evdev, pc105, us),
    // the name desktops write in key bindings; null where that keymap has none.
    const char* keySym;
};

// X key code (evdev + 8), virtual-key code and keysym name. For a code listed twice, the first row
// is the key that sends it.
constexpr Row Rows[] = {
    {9, 0x1B, "Escape"},                 // Escape
    {10, 0x31, "1"},                     // Digit1
    {11, 0x32, "2"},                     // Digit2
    {12, 0x33, "3"},                     // Digit3
    {13, 0x34, "4"},                     // Digit4
    {14, 0x35, "5"},                     // Digit5
    {15, 0x36, "6"},                     // Digit6
    {16, 0x37, "7"},                     // Digit7
    {17, 0x38, "8"},                     // Digit8
    {18, 0x39, "9"},                     // Digit9
    {19, 0x30, "0"},                     // Digit0
    {20, 0xBD, "minus"},                 // Minus
    {21, 0xBB, "equal"},                 // Equal
    {22, 0x08, "BackSpace"},             // Backspace
    {23, 0x09, "Tab"},                   // Tab
    {24, 0x51, "q"},                     // KeyQ
    {25, 0x57, "w"},                     // KeyW
    {26, 0x45, "e"},                     // KeyE
    {27, 0x52, "r"},                     // KeyR
    {28, 0x54, "t"},                     // KeyT
    {29, 0x59, "y"},                     // KeyY
    {30, 0x55, "u"},                     // KeyU
    {31, 0x49, "i"},                     // KeyI
    {32, 0x4F, "o"},                     // KeyO
    {33, 0x50, "p"},                     // KeyP
    {34, 0xDB, "bracketleft"},           // BracketLeft
    {35, 0xDD, "bracketright"},          // BracketRight
    {36, 0x0D, "Return"},                // Enter
    {37, 0xA2, "Control_L"},             // ControlLeft
    {38, 0x41, "a"},                     // KeyA
    {39, 0x53, "s"},                     // KeyS
    {40, 0x44, "d"},                     // KeyD
    {41, 0x46, "f"},                     // KeyF
    {42, 0x47, "g"},                     // KeyG
    {43, 0x48, "h"},                     // KeyH
    {44, 0x4A, "j"},                     // KeyJ
    {45, 0x4B, "k"},                     // KeyK
    {46, 0x4C, "l"},                     // KeyL
    {47, 0xBA, "semicolon"},             // Semicolon
    {48, 0xDE, "apostrophe"},            // Quote
    {49, 0xC0, "grave"},                 // Backquote
    {50, 0xA0, "Shift_L"},               // ShiftLeft
    {51, 0xDC, "backslash"},             // Backslash
    {52, 0x5A, "z"},                     // KeyZ
    {53, 0x58, "x"},                     // KeyX
    {54, 0x43, "c"},                     // KeyC
    {55, 0x56, "v"},                     // KeyV
    {56, 0x42, "b"},                     // KeyB
    {57, 0x4E, "n"},                     // KeyN
    {58, 0x4D, "m"},                     // KeyM
    {59, 0xBC, "comma"},                 // Comma
    {60, 0xBE, "period"},                // Period
    {61, 0xBF, "slash"},                 // Slash
    {62, 0xA1, "Shift_R"},               // ShiftRight
    {63, 0x6A, "KP_Multiply"},           // NumpadMultiply
    {64, 0xA4, "Alt_L"},                 // AltLeft
    {65, 0x20, "space"},                 // Space
    {66, 0x14, "Caps_Lock"},             // CapsLock
    {67, 0x70, "F1"},                    // F1
    {68, 0x71, "F2"},                    // F2
    {69, 0x72, "F3"},                    // F3
    {70, 0x73, "F4"},                    // F4
    {71, 0x74, "F5"},                    // F5
    {72, 0x75, "F6"},                    // F6
    {73, 0x76, "F7"},                    // F7
    {74, 0x77, "F8"},                    // F8
    {75, 0x78, "F9"},                    // F9
    {76, 0x79, "F10"},                   // F10
    {77, 0x90, "Num_Lock"},              // NumLock
    {78, 0x91, "Scroll_Lock"},           // ScrollLock
    {79, 0x67, "KP_Home"},               // Numpad7
    {80, 0x68, "KP_Up"},                 // Numpad8
    {81, 0x69, "KP_Prior"},              // Numpad9
    {82, 0x6D, "KP_Subtract"},           // NumpadSubtract
    {83, 0x64, "KP_Left"},               // Numpad4
    {84, 0x65, "KP_Begin"},              // Numpad5
    {85, 0x66, "KP_Right"},              // Numpad6
    {86, 0x6B, "KP_Add"},                // NumpadAdd
    {87, 0x61, "KP_End"},                // Numpad1
    {88, 0x62, "KP_Down"},               // Numpad2
    {89, 0x63, "KP_Next"},               // Numpad3
    {90, 0x60, "KP_Insert"},             // Numpad0
    {91, 0x6E, "KP_Delete"},             // NumpadDecimal
    {94, 0xE2, "less"},                  // IntlBackslash (102nd)
    {95, 0x7A, "F11"},                   // F11
    {96, 0x7B, "F12"},                   // F12
    {97, 0xE2, nullptr},                 // IntlRo
    {100, 0x1C, "Henkan_Mode"},          // Convert
    {101, 0x15, "Hiragana_Katakana"},    // KanaMode
    {102, 0x1D, "Muhenkan"},             // NonConvert
    {104, 0x0D, "KP_Enter"},             // NumpadEnter
    {105, 0xA3, "Control_R"},            // ControlRight
    {106, 0x6F, "KP_Divide"},            // NumpadDivide
    {107, 0x2C, "Print"},                // PrintScreen (SysRq)
    {108, 0xA5, "Alt_R"},                // AltRight
    {110, 0x24, "Home"},                 // Home
    {111, 0x26, "Up"},                   // ArrowUp
    {112, 0x21, "Prior"},                // PageUp
    {113, 0x25, "Left"},                 // ArrowLeft
    {114, 0x27, "Right"},                // ArrowRight
    {115, 0x23, "End"},                  // End
    {116, 0x28, "Down"},                 // ArrowDown
    {117, 0x22, "Next"},                 // PageDown
    {118, 0x2D, "Insert"},               // Insert
    {119, 0x2E, "Delete"},               // Delete
    {121, 0xAD, "XF86AudioMute"},        // AudioVolumeMute
    {122, 0xAE, "XF86AudioLowerVolume"}, // AudioVolumeDown
    {123, 0xAF, "XF86AudioRaiseVolume"}, // AudioVolumeUp
    {127, 0x13, "Pause"},                // Pause
    {129, 0xBC, "KP_Decimal"},           // NumpadComma
    {130, 0x15, "Hangul"},               // Lang1 (Hangul)
    {131, 0x19, "Hangul_Hanja"},         // Lang2 (Hanja)
    {132, 0xDC, nullptr},                // IntlYen
    {133, 0x5B, "Super_L"},              // MetaLeft (Win)
    {134, 0x5C, "Super_R"},              // MetaRight
    {135, 0x5D, "Menu"},                 // ContextMenu (KEY_COMPOSE)
    {136, 0xA9, "Cancel"},               // BrowserStop (KEY_STOP)
    {148, 0xB7, "XF86Calculator"},       // LaunchApp2 (KEY_CALC)
    {150, 0x5F, "XF86Sleep"},            // Sleep
    {152, 0xB6, "XF86Explorer"},         // LaunchApp1 (KEY_COMPUTER)
    {163, 0xB4, "XF86Mail"},             // LaunchMail
    {164, 0xAB, "XF86Favorites"},        // BrowserFavorites (KEY_BOOKMARKS)
    {166, 0xA6, "XF86Back"},             // BrowserBack
    {167, 0xA7, "XF86Forward"},          // BrowserForward
    {171, 0xB0, "XF86AudioNext"},        // MediaTrackNext
    {172, 0xB3, "XF86AudioPlay"},        // MediaPlayPause
    {173, 0xB1, "XF86AudioPrev"},        // MediaTrackPrevious
    {174, 0xB2, "XF86AudioStop"},        // MediaStop (KEY_STOPCD)
    {179, 0xB5, "XF86Tools"},            // MediaSelect (KEY_CONFIG)
    {180, 0xAC, "XF86HomePage"},         // BrowserHome (KEY_HOMEPAGE)
    {181, 0xA8, "XF86Reload"},           // BrowserRefresh
    {191, 0x7C, "XF86Tools"},            // F13
    {192, 0x7D, "XF86Launch5"},          // F14
    {193, 0x7E, "XF86Launch6"},          // F15
    {194, 0x7F, "XF86Launch7"},          // F16
    {195, 0x80, "XF86Launch8"},          // F17
    {196, 0x81, "XF86Launch9"},          // F18
    {197, 0x82, nullptr},                // F19
    {198, 0x83, "XF86AudioMicMute"},     // F20
    {199, 0x84, "XF86TouchpadToggle"},   // F21
    {200, 0x85, "XF86TouchpadOn"},       // F22
    {201, 0x86, "XF86TouchpadOff"},      // F23
    {202, 0x87, nullptr},                // F24
    {225, 0xAA, "XF86Search"},           // BrowserSearch (KEY_SEARCH)
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

std::string KeySymOfVirtualKey(std::uint16_t virtualKey)
{
    for (const Row& row : Rows) {
        if (row.virtualKey == virtualKey && row.keySym) {
            return row.keySym;
        }
    }
    return {};
}

std::uint16_t VirtualKeyOfKeySym(const std::string& name)
{
    auto equalIgnoringCase = [&name](const char* keySym) {
        return std::equal(name.begin(), name.end(), keySym, keySym + std::strlen(keySym),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    };
    for (const Row& row : Rows) {
        if (row.keySym && equalIgnoringCase(row.keySym)) {
            return row.virtualKey;
        }
    }
    return 0;
}

} // namespace platform::xkb
