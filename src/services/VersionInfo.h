#pragma once

#include "platform/Platform.h"

#include <string>

// One value of a file's version information ("FileVersion", "FileDescription",
// "LegalCopyright"), or the empty text. This program's own executable answers with the values
// compiled into it; other files have none.
std::string GetVersionString(platform::Platform& platform, const std::string& file,
                             const std::string& key);
