#pragma once

#include <string>

// The desktop entry $XDG_CONFIG_HOME/autostart/quorvel.desktop: while it exists, desktops that
// follow the XDG Autostart Specification start Quorvel at login.
std::string AutostartPath();
bool HasAutostartEntry();
// Writes the entry that starts this executable, replacing the file at once; raises an Exception
// (translated) when it cannot.
void WriteAutostartEntry(const std::string& executable);
// Raises an Exception (translated) when an entry is there and cannot be removed.
void RemoveAutostartEntry();

// One argument of an Exec line, quoted and escaped as the Desktop Entry Specification asks
// ("The Exec key").
std::string DesktopExecArgument(const std::string& argument);
