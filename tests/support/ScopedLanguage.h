#pragma once

#include "ScopedEnvironment.h"

#include <initializer_list>
#include <string>
#include <utility>

// Binds the message catalogues as start-up does, in an environment where of the locale variables
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) only the given ones are set. When it goes, the process is
// back as if it never bound them: the texts Russian, the C locale, the old environment.
class ScopedLanguage
{
public:
    explicit ScopedLanguage(std::initializer_list<std::pair<const char*, const char*>> variables,
                            const std::string& domain = "quorvel");
    ~ScopedLanguage();
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;

private:
    ScopedEnvironment environment_;
    std::string domain_;
};
