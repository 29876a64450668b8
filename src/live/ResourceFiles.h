#pragma once

#include "live/LiveShortcut.h"

#include <cstdint>
#include <string>
#include <vector>

// The GResource bundles built into a program's files. glib-compile-resources places each bundle's
// data in an ELF section of its own, ".gresource.<name>" (gio/glib-compile-resources.c), which
// GLib's own reader (g_resource_new_from_data) checks and reads: no resource is registered in
// this process and nothing of the program is run or loaded.
namespace live {

struct ResourceFile
{
    std::string path; // inside the bundle: "/org/gnome/gedit/ui/gedit-shortcuts.ui"
    std::string data;
};

// The files of a program worth reading for resources: its executable, then the shared libraries
// it has mapped whose path holds the executable's file name (gedit's libgedit-44.so), from
// /proc/<processId>/maps.
std::vector<std::string> ProgramFiles(std::uint32_t processId, const std::string& executable);

// The shortcuts windows (help-overlay.ui, *shortcuts*.ui) in the bundles of one ELF file. Reads
// the section table and the bundles' sections only, at most MaxBundleBytes in all; nothing for a
// file that is not a 64-bit ELF file of this machine's byte order.
std::vector<ResourceFile> FindShortcutWindows(const std::string& elfPath, ReadBudget& budget);

constexpr std::uint64_t MaxBundleBytes = 64ull << 20;

} // namespace live
