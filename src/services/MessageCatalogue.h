#pragma once

#include <string>
#include <unordered_map>

// The translations of a compiled gettext catalogue (.mo), msgid to msgstr, read without gettext
// so that one language can stand in for another whatever the locale. Empty when the file is
// missing or not a well-formed catalogue; the header entry (empty msgid) is left out.
std::unordered_map<std::string, std::string> ReadMessageCatalogue(const std::string& path);
