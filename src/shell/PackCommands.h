#pragma once

#include "packs/ImportExport.h"
#include "platform/Platform.h"

#include <optional>
#include <string>

class CCommandLine;

// The command line's shortcut-pack tasks (docs/packs.md): --import FILE and --export FILE
// [--program NAME].

// Carries out --import or --export of a parsed command line and gives the process's exit code;
// nullopt when neither is asked for. Results go to standard output, problems to standard error.
// While Quorvel runs, an import is handed to the running copy, which imports, saves, tells the user
// in its tray message and answers how it went; an export reads the base as it was last saved.
std::optional<int> RunPackCommand(platform::Platform& platform, const CCommandLine& commandLine);

// The message that hands a file to import to the running copy, and the file such a message names
// (nullopt for any other message).
std::string ImportRequest(const std::string& path);
std::optional<std::string> ImportRequestFile(const std::string& message);

// The running copy's answer to an import request, and back (nullopt for anything else).
std::string ImportAnswer(const ImportOutcome& outcome);
std::optional<ImportOutcome> ReadImportAnswer(const std::string& answer);
