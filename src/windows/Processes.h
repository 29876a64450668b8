#pragma once

#include "database/ShortCut.h"
#include "platform/Platform.h"

#include <cstdint>
#include <string>

class CActiveWindow;

// Rebuilds the list from the processes running now, each with the classes and desktop entries of
// its top-level windows and of its sandbox. A window that names no entry is given the one its
// class leads to (StartupWMClass).
void RefreshLoadedPrograms(platform::Platform& platform, CLoadedPrograms& programs);
// The window the tracker last saw active, with what it tells of its program; the desktop entry as
// for the loaded programs.
CActiveProgram GetActiveProgram(platform::Platform& platform, const CActiveWindow& activeWindow);
// Full path of the process's executable; empty when it cannot be read.
std::string GetProcessModulePath(platform::Platform& platform, std::uint32_t processId);
std::string GetProcessFileName(platform::Platform& platform, std::uint32_t processId);
// The desktop entry id of a Flatpak application from the path of one of its files
// (".../flatpak/app/<id>/<arch>/<branch>/<commit>/files/..."); empty for any other path.
std::string DesktopIdOfSandboxPath(const std::string& path);
