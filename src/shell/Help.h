#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

// The help: a page per language beside the executable, <language>/quorvel.html, opened in the
// desktop's browser.

// The languages the user reads, first choice first, as gettext takes them from the environment:
// the list in LANGUAGE (which it ignores in the C locale), then the language of the locale
// (LC_ALL, LC_MESSAGES or LANG). Two-letter codes such as "ru".
std::vector<std::string> PreferredLanguages();

// What Help opens in folder (ending in '/'): a "quickstart" guide when one lies there, else the
// page in the first of the languages that has one, else the English page.
std::string HelpTarget(const std::string& folder, const std::vector<std::string>& languages);

// Opens the help for the user's languages. When it is missing or no browser can show it, a
// message says so and names the file, so that the user can open it another way.
void OpenHelp(platform::Platform& platform);
