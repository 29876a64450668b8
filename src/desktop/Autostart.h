#pragma once

#include <string>

// The desktop entry $XDG_CONFIG_HOME/autostart/quorvel.desktop: while it exists, freedesktop.org
// desktops start Quorvel at login.
std::string AutostartPath();
bool HasAutostartEntry();
// Writes the entry that starts this executable, replacing the file at once; raises an Exception
// (translated) when it cannot, or when the executable's path is not valid UTF-8.
void WriteAutostartEntry(const std::string& executable);
// Raises an Exception (translated) when an entry is there and cannot be removed.
void RemoveAutostartEntry();

// One argument of a desktop entry's Exec line: in double quotes when it holds a reserved
// character, with ", `, $ and \ escaped and % doubled; then escaped as a string value.
std::string DesktopExecArgument(const std::string& argument);
// Text as a desktop entry's string value: backslash, newline, tab and carriage return written
// as \\, \n, \t and \r, a leading space as \s, so that no value can begin a line of its own.
std::string DesktopStringValue(const std::string& text);
