#include "services/VersionInfo.h"

#include "platform/Platform.h"
#include "services/Version.h"

#include <filesystem>

namespace {

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return a == b || (std::filesystem::equivalent(a, b, error) && !error);
}

} // namespace

std::string GetVersionString(platform::Platform& platform, const std::string& file,
                             const std::string& key)
{
    if (file.empty() || !SameFile(file, platform.GetExecutablePath())) {
        return {};
    }
    if (key == "FileVersion") {
        return QUORVEL_FILE_VERSION;
    }
    if (key == "FileDescription") {
        return QUORVEL_FILE_DESCRIPTION;
    }
    if (key == "LegalCopyright") {
        return QUORVEL_LEGAL_COPYRIGHT;
    }
    return {};
}
