#pragma once

#include "keys/KeyCodes.h"

#include <cstdint>
#include <functional>
#include <string>

// Shortcuts as running programs write them, read into key combinations of the active layout.
namespace live {

// The key number of the key that types a keysym name ("s", "slash", "F5") in the active layout;
// 0 when no key types it (Platform::GetKeyOfBindingName).
using KeyOfKeySym = std::function<std::uint16_t(const std::string& name)>;

// How a shortcut's text is written.
enum class AccelSyntax : std::uint8_t
{
    Gtk, // "<Primary><Shift>s", as gtk_accelerator_parse reads it
    Qt,  // "Ctrl+Shift+S", QKeySequence's portable text
};

// A GTK accelerator: modifiers in angle brackets (<Primary>, <Control>, <Ctrl>, <Ctl>, <Shift>,
// <Shft>, <Alt>, <Mod1>, <Super>, letter case ignored), then one keysym name. Empty for text that
// is no such accelerator or names a modifier this program has no key for (<Hyper>, <Meta>).
CKeyCodes ParseGtkAccelerator(const std::string& text, const KeyOfKeySym& keyOf);

// Qt's portable text of one combination ("Ctrl+Shift+S", "Ctrl+PgDown", "Ctrl++"); the first
// combination of a sequence. Empty for text Qt does not read as one.
CKeyCodes ParseQtShortcut(const std::string& text, const KeyOfKeySym& keyOf);

// The shortcut of an AT-SPI key binding: "mnemonic;full mnemonic:shortcut" as GTK writes it
// ("s;<Alt>f:s;<Primary>s" -> Ctrl+S) or Qt's portable text ("Ctrl+S"). Empty when it holds no
// shortcut (a mnemonic alone).
CKeyCodes ParseKeyBinding(const std::string& text, const KeyOfKeySym& keyOf);

// Either syntax.
CKeyCodes ParseAccelerator(AccelSyntax syntax, const std::string& text, const KeyOfKeySym& keyOf);

// A menu label without its mnemonic marker: "_Save" -> "Save", "Save _As…" -> "Save As…", a
// doubled marker ("__") stands for the marker itself. marker is '_' for GTK, '&' for Qt.
std::string DropMnemonic(const std::string& label, char marker);

// Whether keys are Alt and the letter the label marks as its mnemonic: a menu's own access key,
// which Qt reports as a key binding, not a shortcut.
bool IsMnemonicOf(const CKeyCodes& keys, const std::string& label, char marker);

} // namespace live
