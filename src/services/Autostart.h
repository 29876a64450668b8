#pragma once

#include <string>

// The desktop entry $XDG_CONFIG_HOME/autostart/quorvel.desktop: while it exists, freedesktop.org
// desktops start Quorvel at login.
std::string AutostartPath();
bool HasAutostartEntry();
// Writes the entry that starts this executable, replacing the file at once; raises an Exception
// (translated) when it cannot.
void WriteAutostartEntry(const std::string& executable);
// Raises an Exception (translated) when an entry is there and cannot be removed.
void RemoveAutostartEntry();

// One argument of a desktop entry's Exec line: in double quotes when it holds a reserved
// character, with ", `, $ and \ escaped and % doubled.
std::string DesktopExecArgument(const std::string& argument);
