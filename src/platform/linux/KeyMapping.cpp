#include "platform/linux/KeyMapping.h"

#include "platform/VirtualKeys.h"
#include "platform/linux/KeyTable.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <vector>

namespace platform::xkb {

namespace {

// The codes of the US punctuation keys, by the keysym each types without Shift.
struct Punctuation
{
    xkb_keysym_t keySym;
    std::uint8_t code;
};
constexpr Punctuation PunctuationKeys[] = {
    {XKB_KEY_grave, 0xC0},       {XKB_KEY_minus, 0xBD},        {XKB_KEY_equal, 0xBB},
    {XKB_KEY_bracketleft, 0xDB}, {XKB_KEY_bracketright, 0xDD}, {XKB_KEY_backslash, 0xDC},
    {XKB_KEY_semicolon, 0xBA},   {XKB_KEY_apostrophe, 0xDE},   {XKB_KEY_comma, 0xBC},
    {XKB_KEY_period, 0xBE},      {XKB_KEY_slash, 0xBF},
};

// Codes no key has on a US keyboard (unassigned and OEM-specific virtual keys), for keys that
// type neither a letter, a digit nor a US punctuation character and whose position's code another
// key took: the German ß key, the UK # key.
constexpr std::uint8_t SpareCodes[] = {
    0xDF, 0xE1, 0xE3, 0xE4, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x97,
    0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xB8, 0xB9, 0xC1, 0xC2, 0xC3,
    0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0,
    0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA,
};

// Dead keys type nothing themselves; their caps show the accent as a spacing character.
struct DeadKey
{
    xkb_keysym_t keySym;
    const char* text;
};
constexpr DeadKey DeadKeys[] = {
    {XKB_KEY_dead_grave, "`"},       {XKB_KEY_dead_acute, "´"},     {XKB_KEY_dead_circumflex, "^"},
    {XKB_KEY_dead_tilde, "~"},       {XKB_KEY_dead_macron, "¯"},    {XKB_KEY_dead_breve, "˘"},
    {XKB_KEY_dead_abovedot, "˙"},    {XKB_KEY_dead_diaeresis, "¨"}, {XKB_KEY_dead_abovering, "˚"},
    {XKB_KEY_dead_doubleacute, "˝"}, {XKB_KEY_dead_caron, "ˇ"},     {XKB_KEY_dead_cedilla, "¸"},
    {XKB_KEY_dead_ogonek, "˛"},
};

bool IsLetterOrDigitPosition(std::uint8_t code)
{
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z');
}

bool IsPunctuationPosition(std::uint8_t code)
{
    return std::any_of(std::begin(PunctuationKeys), std::end(PunctuationKeys),
                       [code](const Punctuation& key) { return key.code == code; }) ||
           code == 0xE2;
}

// The keys whose meaning follows the layout: the letter, digit and punctuation keys of the main
// block, each the key that sends its code in the US table (not the keypad or Japanese twins).
std::vector<unsigned> LayoutKeys()
{
    std::vector<unsigned> keys;
    for (unsigned xKey = 8; xKey < 256; ++xKey) {
        const std::uint8_t code = VirtualKeyOfXKey(xKey);
        if ((IsLetterOrDigitPosition(code) || IsPunctuationPosition(code)) &&
            XKeyOfVirtualKey(code) == xKey) {
            keys.push_back(xKey);
        }
    }
    return keys;
}

class Keymap
{
public:
    explicit Keymap(xkb_keymap* keymap) : keymap_(keymap) {}

    // The keysym at a level of a group; 0 when there is none.
    xkb_keysym_t Sym(unsigned xKey, xkb_layout_index_t layout, xkb_level_index_t level) const
    {
        if (layout >= xkb_keymap_num_layouts_for_key(keymap_, xKey)) {
            layout = 0;
        }
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap_, xKey, layout, level, &syms);
        return count == 1 ? syms[0] : XKB_KEY_NoSymbol;
    }

    // Whether a group types most Latin letters without Shift.
    bool IsLatin(xkb_layout_index_t layout, const std::vector<unsigned>& layoutKeys) const
    {
        int letters = 0;
        for (const unsigned xKey : layoutKeys) {
            const xkb_keysym_t sym = Sym(xKey, layout, 0);
            letters += sym >= XKB_KEY_a && sym <= XKB_KEY_z ? 1 : 0;
        }
        return letters >= 20;
    }

    xkb_layout_index_t Layouts() const { return xkb_keymap_num_layouts(keymap_); }

private:
    xkb_keymap* keymap_;
};

std::string Utf8(xkb_keysym_t sym)
{
    for (const DeadKey& dead : DeadKeys) {
        if (dead.keySym == sym) {
            return dead.text;
        }
    }
    char text[16] = {};
    const int size = xkb_keysym_to_utf8(sym, text, sizeof text);
    // Control characters (Tab, Return) and keysyms without a character are no labels.
    if (size <= 1 || static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7F) {
        return {};
    }
    return text;
}

// What a key cap shows for a keysym: letters in upper case, as caps print them; ß has no capital
// on a key cap.
std::string CapText(xkb_keysym_t sym)
{
    const std::string upper = Utf8(xkb_keysym_to_upper(sym));
    return upper.empty() || sym == XKB_KEY_ssharp ? Utf8(sym) : upper;
}

std::uint8_t PunctuationCode(xkb_keysym_t sym)
{
    for (const Punctuation& key : PunctuationKeys) {
        if (key.keySym == sym) {
            return key.code;
        }
    }
    return 0;
}

// The letter or digit a key types in a group: the letter without Shift, the digit with or without
// (French keys type digits with Shift); 0 when it types neither.
std::uint8_t LetterOrDigitCode(const Keymap& keymap, unsigned xKey, xkb_layout_index_t layout)
{
    const xkb_keysym_t plain = keymap.Sym(xKey, layout, 0);
    if (plain >= XKB_KEY_a && plain <= XKB_KEY_z) {
        return static_cast<std::uint8_t>('A' + (plain - XKB_KEY_a));
    }
    for (const xkb_level_index_t level : {0u, 1u}) {
        const xkb_keysym_t sym = keymap.Sym(xKey, layout, level);
        if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) {
            return static_cast<std::uint8_t>(sym);
        }
    }
    return 0;
}

// The key codes that type each character in a group, codes indexed by X key code: without
// Shift where a key does, so that a character typed both ways takes no Shift.
std::map<char32_t, CharacterKey> TypedCharacters(const Keymap& keymap,
                                                 const std::vector<unsigned>& layoutKeys,
                                                 xkb_layout_index_t layout,
                                                 const std::array<std::uint8_t, 256>& codes)
{
    std::map<char32_t, CharacterKey> typed;
    for (const xkb_level_index_t level : {0u, 1u}) {
        for (const unsigned xKey : layoutKeys) {
            const char32_t character = xkb_keysym_to_utf32(keymap.Sym(xKey, layout, level));
            if (character != 0 && codes[xKey] != 0) {
                typed.emplace(character, CharacterKey{codes[xKey], level == 1});
            }
        }
    }
    return typed;
}

// The cap of the key that has this code: what it types in the layout of the shortcuts, what it
// types in the active layout where that differs, and what Shift types.
KeyCap CapOfKey(const Keymap& map, unsigned xKey, std::uint8_t code, xkb_layout_index_t shortcuts,
                xkb_layout_index_t active)
{
    const xkb_keysym_t shortcutSym = map.Sym(xKey, shortcuts, 0);
    KeyCap cap;
    if (IsLetterOrDigitPosition(code) && !(code >= 'A' && code <= 'Z')) {
        cap.label = std::string(1, static_cast<char>(code));
    } else {
        cap.label = CapText(shortcutSym);
    }
    if (active != shortcuts) {
        const std::string own = CapText(map.Sym(xKey, active, 0));
        cap.groupLabel = own != cap.label ? own : std::string();
    }
    // A cap prints what Shift types where it is more than the capital of the label.
    const std::string shifted = CapText(map.Sym(xKey, shortcuts, 1));
    if (shifted != CapText(shortcutSym) && shifted != cap.label) {
        cap.shiftLabel = shifted;
    }
    return cap;
}

} // namespace

KeyMapping::KeyMapping()
{
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        if (const std::uint8_t code = xkb::VirtualKeyOfXKey(xKey)) {
            Link(xKey, code);
        }
    }
}

KeyMapping::KeyMapping(xkb_keymap* keymap, std::uint32_t activeLayout,
                       const std::string& layoutNames)
{
    fromKeymap_ = true;
    const std::string first = layoutNames.substr(0, layoutNames.find(','));
    iso_ = first != "us";
    const Keymap map(keymap);
    const std::vector<unsigned> layoutKeys = LayoutKeys();
    const xkb_layout_index_t active = activeLayout < map.Layouts() ? activeLayout : 0;
    std::optional<xkb_layout_index_t> latin;
    if (map.IsLatin(active, layoutKeys)) {
        latin = active;
    }
    for (xkb_layout_index_t layout = 0; !latin && layout < map.Layouts(); ++layout) {
        if (map.IsLatin(layout, layoutKeys)) {
            latin = layout;
        }
    }
    const xkb_layout_index_t shortcuts = latin.value_or(active);

    auto assign = [this](unsigned xKey, std::uint8_t code) {
        if (code != 0 && virtualOfX_[xKey] == 0 && xOfVirtual_[code] == 0) {
            Link(xKey, code);
        }
    };
    if (latin) {
        // Letters and digits, then punctuation by what it types, then punctuation by position.
        for (const unsigned xKey : layoutKeys) {
            assign(xKey, LetterOrDigitCode(map, xKey, shortcuts));
        }
        for (const unsigned xKey : layoutKeys) {
            assign(xKey, PunctuationCode(map.Sym(xKey, shortcuts, 0)));
        }
        for (const unsigned xKey : layoutKeys) {
            const std::uint8_t position = xkb::VirtualKeyOfXKey(xKey);
            if (IsPunctuationPosition(position)) {
                assign(xKey, position);
            }
        }
    } else {
        for (const unsigned xKey : layoutKeys) {
            assign(xKey, xkb::VirtualKeyOfXKey(xKey));
        }
    }
    const std::uint8_t* spare = std::begin(SpareCodes);
    for (const unsigned xKey : layoutKeys) {
        while (virtualOfX_[xKey] == 0 && spare != std::end(SpareCodes)) {
            assign(xKey, *spare++);
        }
    }
    // Every other key keeps its position. The keypad comma and the Japanese keys that share a
    // code with a letter or punctuation key read as that key, but never send its code.
    for (unsigned xKey = 0; xKey < 256; ++xKey) {
        const std::uint8_t code = xkb::VirtualKeyOfXKey(xKey);
        if (code == 0 ||
            std::find(layoutKeys.begin(), layoutKeys.end(), xKey) != layoutKeys.end()) {
            continue;
        }
        if (!IsLetterOrDigitPosition(code) && !IsPunctuationPosition(code)) {
            Link(xKey, code);
        } else if (xOfVirtual_[code] != 0) {
            virtualOfX_[xKey] = code;
        }
    }

    characterKeys_ = TypedCharacters(map, layoutKeys, shortcuts, virtualOfX_);
    for (const unsigned xKey : layoutKeys) {
        const std::uint8_t code = virtualOfX_[xKey];
        if (code == 0) {
            continue;
        }
        caps_[code] = CapOfKey(map, xKey, code, shortcuts, active);
        const xkb_keysym_t shortcutSym = map.Sym(xKey, shortcuts, 0);
        char name[64] = {};
        if (shortcutSym != XKB_KEY_NoSymbol &&
            xkb_keysym_get_name(shortcutSym, name, sizeof name) > 0) {
            keySyms_[code] = name;
        }
    }
}

void KeyMapping::Link(unsigned xKey, std::uint8_t code)
{
    virtualOfX_[xKey] = code;
    if (xOfVirtual_[code] == 0) {
        xOfVirtual_[code] = static_cast<std::uint8_t>(xKey);
    }
}

std::uint8_t KeyMapping::VirtualKeyOfXKey(unsigned xKeyCode) const
{
    return xKeyCode < virtualOfX_.size() ? virtualOfX_[xKeyCode] : 0;
}

unsigned KeyMapping::XKeyOfVirtualKey(std::uint16_t code) const
{
    switch (code) {
    case vk::Shift:
        code = vk::LShift;
        break;
    case vk::Control:
        code = vk::LControl;
        break;
    case vk::Menu:
        code = vk::LMenu;
        break;
    case vk::AnyWin:
        code = vk::LWin;
        break;
    default:
        break;
    }
    return code < xOfVirtual_.size() ? xOfVirtual_[code] : 0;
}

std::optional<KeyCap> KeyMapping::CapOf(std::uint16_t code) const
{
    const auto found = caps_.find(static_cast<std::uint8_t>(code));
    if (code > 0xFF || found == caps_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<CharacterKey> KeyMapping::KeyOfCharacter(char32_t character) const
{
    const auto found = characterKeys_.find(character);
    return found == characterKeys_.end() ? std::nullopt
                                         : std::optional<CharacterKey>(found->second);
}

std::uint16_t KeyMapping::KeyAtPosition(std::uint16_t position) const
{
    const unsigned xKey = xkb::XKeyOfVirtualKey(position);
    return xKey == 0 ? position : VirtualKeyOfXKey(xKey);
}

bool KeyMapping::FollowsLayout(std::uint16_t code) const
{
    return fromKeymap_ && code <= 0xFF &&
           (IsLetterOrDigitPosition(static_cast<std::uint8_t>(code)) ||
            IsPunctuationPosition(static_cast<std::uint8_t>(code)) ||
            caps_.count(static_cast<std::uint8_t>(code)) != 0);
}

std::string KeyMapping::KeySymName(std::uint16_t code) const
{
    if (!FollowsLayout(code)) {
        return KeySymOfVirtualKey(code);
    }
    const auto found = keySyms_.find(static_cast<std::uint8_t>(code));
    return found == keySyms_.end() ? std::string() : found->second;
}

std::uint16_t KeyMapping::VirtualKeyOfKeySymName(const std::string& name) const
{
    const xkb_keysym_t wanted = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
    for (const auto& [code, keySym] : keySyms_) {
        if (wanted != XKB_KEY_NoSymbol &&
            xkb_keysym_from_name(keySym.c_str(), XKB_KEYSYM_NO_FLAGS) == wanted) {
            return code;
        }
    }
    const std::uint16_t code = VirtualKeyOfKeySym(name);
    return FollowsLayout(code) ? 0 : code;
}

} // namespace platform::xkb
