#pragma once

#include <string>

namespace platform {

// The desktop entry id of the sandboxed application whose process has this /proc folder: from
// Flatpak's /.flatpak-info or FLATPAK_ID, Snap's BAMF_DESKTOP_FILE_HINT, or the systemd scope
// either names in the cgroup; empty when there is none.
std::string DesktopIdOfProcessFolder(const std::string& procFolder);

} // namespace platform
