#include "platform/linux/ProcessIdentity.h"

#include "platform/linux/LinuxSystem.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace platform {

namespace {

// Metadata files are small; a larger one is no metadata.
constexpr std::size_t MaxRead = 64 * 1024;

std::string ReadSmallFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string text;
    char buffer[4096];
    while (file && text.size() < MaxRead) {
        file.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "name" of the [Application] group of a .flatpak-info file.
std::string FlatpakInfoName(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    bool inApplication = false;
    while (std::getline(lines, line)) {
        if (StartsWith(line, "[")) {
            inApplication = line == "[Application]";
        } else if (inApplication && StartsWith(line, "name=")) {
            return line.substr(5);
        }
    }
    return {};
}

// A variable of a NUL-separated environment block.
std::string Variable(const std::string& environment, const std::string& name)
{
    const std::string prefix = name + "=";
    std::size_t start = 0;
    while (start < environment.size()) {
        std::size_t end = environment.find('\0', start);
        if (end == std::string::npos) {
            end = environment.size();
        }
        if (environment.compare(start, prefix.size(), prefix) == 0) {
            return environment.substr(start + prefix.size(), end - start - prefix.size());
        }
        start = end + 1;
    }
    return {};
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// systemd's scope of a sandboxed application: "app-flatpak-<id>-<n>.scope" (Flatpak) or
// "snap.<snap>.<app>-<uuid>.scope" (snapd, whose desktop files are "<snap>_<app>.desktop").
std::string DesktopIdOfCgroup(const std::string& cgroup)
{
    std::istringstream lines(cgroup);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string scope = FileNameOf(line);
        const std::string flatpak = "app-flatpak-";
        if (StartsWith(scope, flatpak)) {
            const auto dash = scope.rfind('-');
            if (dash > flatpak.size()) {
                return scope.substr(flatpak.size(), dash - flatpak.size()) + ".desktop";
            }
        }
        if (StartsWith(scope, "snap.")) {
            const auto dot = scope.find('.', 5);
            const auto end = scope.find('-', dot == std::string::npos ? scope.size() : dot);
            if (dot != std::string::npos && end != std::string::npos && end > dot + 1) {
                return scope.substr(5, dot - 5) + "_" + scope.substr(dot + 1, end - dot - 1) +
                       ".desktop";
            }
        }
    }
    return {};
}

} // namespace

std::string DesktopIdOfProcessFolder(const std::string& procFolder)
{
    if (std::string name = FlatpakInfoName(ReadSmallFile(procFolder + "/root/.flatpak-info"));
        !name.empty()) {
        return name + ".desktop";
    }
    const std::string environment = ReadSmallFile(procFolder + "/environ");
    if (std::string id = Variable(environment, "FLATPAK_ID"); !id.empty()) {
        return id + ".desktop";
    }
    if (std::string hint = Variable(environment, "BAMF_DESKTOP_FILE_HINT"); !hint.empty()) {
        return FileNameOf(hint);
    }
    return DesktopIdOfCgroup(ReadSmallFile(procFolder + "/cgroup"));
}

std::string LinuxSystem::GetProcessDesktopId(std::uint32_t processId)
{
    if (processId == 0) {
        return {};
    }
    return DesktopIdOfProcessFolder("/proc/" + std::to_string(processId));
}

} // namespace platform
