#pragma once

#include "shell/CheatSheet.h"

#include <QStringList>

#include <optional>
#include <string>

// The command line that writes a cheat sheet instead of starting the tray program:
//     quorvel --cheatsheet PROGRAM -o FILE [--page-size a4|letter]
// Options take their value as the next argument or after "=".

class CCommandLine;

// Lists --cheatsheet, --output and --page-size among the program's options (and in --help).
void AddCheatSheetOptions(CCommandLine& commandLine);

// What the command line asks for.
struct CheatSheetCommand
{
    std::string program;
    std::string output;
    CheatSheetPage page;
};

// Whether the arguments ask for a cheat sheet. If they do and no Qt platform is chosen, Qt is
// told to draw off-screen: a cheat sheet needs no screen. Called before the application exists.
bool PrepareCheatSheetCommand(int argc, char** argv);

// The cheat sheet these arguments (the program's own name left out) ask for; none when one is
// missing, unknown or given twice, or the page size is neither a4 nor letter.
std::optional<CheatSheetCommand> ParseCheatSheetCommand(const QStringList& arguments);

// Writes the cheat sheet the arguments ask for from the user's base, with no tray, overlay or
// instance lock; tells the file written on standard output, problems on standard error. Returns
// the process's exit code.
int RunCheatSheetCommand(const QStringList& arguments);
