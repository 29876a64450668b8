#pragma once

#include "platform/Platform.h"

#include <string>

// Special folders and file names.

constexpr char PathDelimiter = '/';

// The folder of a special kind; empty when unknown.
std::string SpecialFolder(platform::SpecialFolderKind kind);

// Joins up to seven parts with '/', stopping at the first empty part; a part's one trailing '/'
// is dropped.
std::string JoinPath(const std::string& part1, const std::string& part2 = {},
                     const std::string& part3 = {}, const std::string& part4 = {},
                     const std::string& part5 = {}, const std::string& part6 = {},
                     const std::string& part7 = {});

// The folder of the running executable, ending with '/'.
std::string GetExeFolder();

// The file-name part of a path after the last '/'.
std::string ExtractFileName(const std::string& path);

// The file-name part of a path without its last extension.
std::string ExtractFileTitle(const std::string& path);

// Whether path names a regular file (a link is followed): anything else, a pipe above all, is
// never opened as a file, since opening a pipe waits for a writer.
bool IsRegularFile(const std::string& path);

// A regular file with an execute bit: what stands for ".exe" here.
bool IsApplicationFile(const std::string& path);

// The program in the first folder of PATH that holds it as an application file; a name with a
// folder, or one found nowhere, is returned as it is.
std::string ResolveOnPath(const std::string& program);
