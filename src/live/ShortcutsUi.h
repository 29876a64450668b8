#pragma once

#include "live/LiveShortcut.h"

#include <string>
#include <vector>

namespace live {

// The shortcuts of a GTK shortcuts window (GtkBuilder XML of GtkShortcutsShortcut objects, GTK 3
// and 4): each accelerator of a shortcut of the accelerator type, with its group's title and its
// own, translated through the interface's gettext domain, else through defaultDomain (the
// program's). Gestures, actions without an accelerator and ranges ("<ctrl>1...<ctrl>9") are left
// out.
std::vector<LiveShortcut> ReadShortcutsUi(const std::string& xml, const std::string& defaultDomain);

// msgid translated in a program's gettext domain, with its context when it has one; msgid when
// the domain has no translation.
std::string TranslateInDomain(const std::string& domain, const std::string& context,
                              const std::string& msgid);

} // namespace live
