#pragma once

#include <cstddef>
#include <string>

// UTF-8 text, byte by byte: the few operations the program needs without a QString round trip.

// The number of characters (code points) of UTF-8 text.
std::size_t CountUtf8Characters(const std::string& text);

// UTF-8 text cut after the given number of characters, never inside one.
std::string TruncateUtf8(std::string text, std::size_t characters);

// Appends the code point's UTF-8 bytes; one beyond U+10FFFF or a surrogate appends U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// Whether the bytes are well-formed UTF-8: no overlong forms, surrogates or values past U+10FFFF.
bool IsValidUtf8(const std::string& text);
