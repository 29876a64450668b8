#include "platform/Platform.h"

#include <stdexcept>

namespace platform {

namespace {
Platform* installed = nullptr;
}

Platform& Get()
{
    if (!installed) {
        throw std::logic_error("no platform installed");
    }
    return *installed;
}

void Install(Platform* instance)
{
    installed = instance;
}

} // namespace platform
