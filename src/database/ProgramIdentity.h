#pragma once

#include <string>
#include <vector>

// What tells one program from another: the desktop entry it is installed as, the class names of
// its windows (X11 WM_CLASS, Wayland application id) and its executable's file name. Held in the
// form the comparison uses: lower case, desktop ids without ".desktop", no empty entries.
struct CProgramIdentity
{
    std::vector<std::string> desktopIds;
    std::vector<std::string> classes;
    std::string fileName;

    static CProgramIdentity Make(const std::string& fileName,
                                 const std::vector<std::string>& classes,
                                 const std::vector<std::string>& desktopIds);
};

// How specifically a program is recognised, weakest first.
enum class IdentityMatch
{
    None,
    Executable,
    WindowClass,
    DesktopEntry,
};

// How a program as the base knows it matches what a running program shows, the most specific
// identity first:
// - a desktop entry both name;
// - a window class both name; a program known by its windows' classes is not the program of
//   windows that have other classes, whatever their executable;
// - the executable's file name, unless it is an interpreter or a shared launcher (python3, java,
//   node, ...), which alone tells nothing.
IdentityMatch MatchIdentity(const CProgramIdentity& program, const CProgramIdentity& seen);

// Whether a program of this (lower-case) file name runs other programs: an interpreter alone
// never identifies a program.
bool IsInterpreter(const std::string& fileName);

// The classes or application ids written in one text field: separated by ';' or ',', spaces
// around each ignored.
std::vector<std::string> SplitIdentityList(const std::string& text);
std::string JoinIdentityList(const std::vector<std::string>& items);
