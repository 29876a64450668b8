#include "shell/InstanceRequests.h"

#include <cstdlib>

namespace instance {

std::string WithActivationToken(const std::string& request)
{
    const char* token = std::getenv(ActivationTokenVariable);
    return token && *token ? request + ' ' + token : request;
}

std::string ShowRequest()
{
    return WithActivationToken(ShowMessage);
}

} // namespace instance
