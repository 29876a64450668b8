#pragma once

#include "framework/DataSet.h"
#include "keys/KeyCodes.h"

#include <QByteArray>

#include <string>
#include <vector>

// Shortcut packs: the shortcuts of one program, or of a desktop, in a JSON file people can write
// and share (docs/packs.md); an export holds several.

struct PackShortcut
{
    CKeyCodes keys;
    // At most ShortNameLength characters, drawn on the key.
    std::string name;
    // At most DescriptionLength characters.
    std::string description;
    // Applies while the program is the active one ("active"), or whenever it runs ("global").
    bool active = true;
    // The icon as the "Icon" field keeps it; empty for none.
    Blob icon;
};

struct ShortcutPack
{
    // Desktop packs hold the always-shown shortcuts of a desktop or window manager.
    bool desktop = false;
    // A program's pack: its name (empty in an export of a program the user left unnamed) and the
    // file names it runs as; a name with a folder is a path.
    std::string name;
    std::vector<std::string> executables;
    std::string desktopId;
    // The classes of its windows (X11 WM_CLASS) and its Wayland application ids: they tell apart
    // programs that one executable runs (LibreOffice's modules, Python programs).
    std::vector<std::string> windowClasses;
    std::vector<std::string> appIds;
    // A desktop pack: the XDG_CURRENT_DESKTOP values and window-manager names it is for.
    std::vector<std::string> desktops;
    std::vector<std::string> windowManagers;
    std::string source;
    std::vector<PackShortcut> shortcuts;
};

struct PackFile
{
    std::vector<ShortcutPack> packs;
    // What the user should know though it stopped nothing: icons the icon theme does not have.
    std::vector<std::string> notes;
};

constexpr int ShortNameLength = 20;
constexpr int DescriptionLength = 256;
constexpr int FileNameLength = 256;
// A larger file is refused before it is read: a pack is a few kilobytes, an export of a large
// base with icons some megabytes.
constexpr qsizetype MaxPackFileBytes = 32 * 1024 * 1024;

// Whether the icons of a pack are read: a look at what a pack is for needs none.
enum class IconReading
{
    Read,
    Skip,
};

// Whether a program's pack may take the shortcuts of a shared part ("include"); the shared part
// itself may not.
enum class PackIncludes
{
    Read,
    Refuse,
};

// Reads a pack or an export, all of it or nothing. Throws Exception naming the file and its
// first problem, with the line and field where there is one.
PackFile ReadPackFile(const std::string& path, IconReading icons = IconReading::Read,
                      PackIncludes includes = PackIncludes::Read);

// The same for the text of a file; pictures and shared parts named in it lie in folder.
PackFile ParsePackText(const QByteArray& text, const std::string& folder,
                       IconReading icons = IconReading::Read,
                       PackIncludes includes = PackIncludes::Read);
