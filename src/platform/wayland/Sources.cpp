#include "platform/wayland/Sources.h"

namespace platform::wayland {

Platform::WindowIdentity IdentityOf(const Toplevel& window)
{
    Platform::WindowIdentity identity;
    identity.desktopId = window.desktopId.empty() ? window.appId : window.desktopId;
    if (!window.appId.empty()) {
        identity.classes.push_back(window.appId);
        return identity;
    }
    for (const std::string* name : {&window.instance, &window.windowClass}) {
        if (!name->empty()) {
            identity.classes.push_back(*name);
        }
    }
    return identity;
}

} // namespace platform::wayland
