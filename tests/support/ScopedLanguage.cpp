#include "ScopedLanguage.h"

#include "services/Translation.h"

#include <clocale>

ScopedLanguage::ScopedLanguage(std::initializer_list<std::pair<const char*, const char*>> variables,
                               const std::string& domain)
    : domain_(domain)
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        environment_.Set(name, std::nullopt);
    }
    for (const auto& [name, value] : variables) {
        environment_.Set(name, value);
    }
    InitLocalization("", domain_);
}

ScopedLanguage::~ScopedLanguage()
{
    environment_.Set("LANGUAGE", "ru");
    InitLocalization("C.UTF-8", domain_);
    std::setlocale(LC_ALL, "C");
}
