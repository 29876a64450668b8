#include "ScopedEnvironment.h"

#include <cstdlib>

namespace {

void Apply(const std::string& name, const std::optional<std::string>& value)
{
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

} // namespace

ScopedEnvironment::~ScopedEnvironment()
{
    for (const auto& [name, value] : saved_) {
        Apply(name, value);
    }
}

void ScopedEnvironment::Set(const std::string& name, const std::optional<std::string>& value)
{
    if (!saved_.count(name)) {
        const char* old = std::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    Apply(name, value);
}
