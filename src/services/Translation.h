#pragma once

#include <string>

// Binds the message catalogues: sets the C runtime locale (empty: the user's environment), binds
// the text domain (the program's: the executable's base name) to the executable's folder, or to the
// installed locale folder when no catalogue of the domain lies there, and makes it current. True
// only when every step succeeded; each step is tried regardless.
// It also chooses the language. The texts stay in Russian, in which they are written, when the
// message locale or the LANGUAGE list asks for Russian before any language that has a catalogue.
// Otherwise a text the user's catalogue lacks, or every text when no catalogue fits (the C locale
// included), comes from the English catalogue.
bool InitLocalization(const std::string& locale, const std::string& domain);

// The translation of a program text in the chosen language, or the text unchanged. Text that is
// not valid UTF-8 is taken as Windows-1251 and converted before the look-up.
std::string Translate(const std::string& text);

// "ru" when the current locale's language is Russian, otherwise "en".
std::string GetLanguageCode();
// The language code of a locale name as the C runtime reports it.
std::string LanguageCodeOf(const std::string& locale);

// Windows-1251 text converted byte by byte to UTF-8.
std::string Cp1251ToUtf8(const std::string& text);
