#pragma once

#include "shell/CheatSheet.h"

#include <string>

class CCommandLine;

// What a command line with --cheatsheet asks for.
struct CheatSheetCommand
{
    std::string program;
    std::string output;
    CheatSheetPage page;
};

// The cheat sheet a parsed command line asks for (--cheatsheet, --output, --page-size).
CheatSheetCommand CheatSheetCommandOf(const CCommandLine& commandLine);

// Writes the cheat sheet from the user's base, with no tray, overlay or instance lock; tells the
// file written on standard output, problems on standard error. Returns the process's exit code.
int RunCheatSheetCommand(platform::Platform& platform, const CheatSheetCommand& command);
