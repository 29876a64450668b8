#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

// Quorvel's entry among GNOME's custom keybindings: the list
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings names it, and its relocatable
// schema ...media-keys.custom-keybinding at QuorvelKeybindingPath holds name, command and binding.
// Everything goes through gsettings; the user's other custom keybindings are left as they are.

constexpr const char* QuorvelKeybindingPath =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/quorvel/";
// How long one gsettings call may take before it counts as failed.
constexpr int GSettingsTimeoutMs = 2000;

// The media-keys schema is installed.
bool GnomeShortcutsAvailable(platform::Platform& platform);
// Writes the entry (accelerator as GTK writes it, the command as its arguments) and lists it;
// false when a gsettings call failed.
bool SetGnomeShortcut(platform::Platform& platform, const std::string& accelerator,
                      const std::vector<std::string>& command);
// Takes the entry off the list and resets its keys; false when a gsettings call failed.
bool RemoveGnomeShortcut(platform::Platform& platform);
// The binding of the entry while it is listed; empty otherwise.
std::string GnomeShortcutBinding(platform::Platform& platform);

// A GVariant string array as gsettings prints it ("['a', 'b']", "@as []"); ok is false for
// anything else.
std::vector<std::string> ParseStringArray(const std::string& text, bool& ok);
std::string FormatStringArray(const std::vector<std::string>& items);
// A GVariant string as gsettings prints it ("'text'"); the text itself.
std::string ParseString(const std::string& text);
// A command line that GLib's shell-like parsing reads back as these arguments.
std::string ShellCommandLine(const std::vector<std::string>& arguments);
