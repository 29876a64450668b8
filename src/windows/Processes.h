#pragma once

#include "database/ShortCut.h"

#include <cstdint>
#include <string>

// Rebuilds the list from the processes running now.
void RefreshLoadedPrograms(CLoadedPrograms& programs);
// Full path of the process's executable; empty when it cannot be read.
std::string GetProcessModulePath(std::uint32_t processId);
std::string GetProcessFileName(std::uint32_t processId);
