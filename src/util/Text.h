#pragma once

#include <string>
#include <vector>

// Replaces the first "%s" (or "%S") of text by value.
std::string ReplaceFirst(const std::string& text, const std::string& value);

// Fills the "%s" placeholders of pattern one by one with the arguments.
std::string FormatText(const std::string& pattern, const std::string& a1 = {},
                       const std::string& a2 = {}, const std::string& a3 = {},
                       const std::string& a4 = {}, const std::string& a5 = {},
                       const std::string& a6 = {}, const std::string& a7 = {},
                       const std::string& a8 = {}, const std::string& a9 = {},
                       const std::string& a10 = {});

// Splits text at a one-character delimiter; every delimiter ends a piece, empty ones too.
std::vector<std::string> SplitText(const std::string& text, char delimiter);

// The most characters of user data (a name from a file, a path, a key text) a message quotes.
constexpr std::size_t QuotedCharacters = 80;
// User data as a message quotes it: at most QuotedCharacters characters, a longer text cut and
// ended with "…".
std::string QuoteUserText(const std::string& text);
