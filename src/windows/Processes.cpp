#include "windows/Processes.h"

#include "desktop/DesktopEntries.h"
#include "platform/Platform.h"
#include "services/ActiveWindow.h"
#include "util/Paths.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace {

void AddOnce(std::vector<std::string>& list, const std::string& item)
{
    if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end()) {
        list.push_back(item);
    }
}

CWindowClassIndex& ClassIndex()
{
    static CWindowClassIndex index;
    return index;
}

// The desktop entry a window names, or else the one its classes lead to.
std::string DesktopIdOfWindow(const platform::Platform::WindowIdentity& identity)
{
    return identity.desktopId.empty() ? ClassIndex().DesktopIdOf(identity.classes)
                                      : identity.desktopId;
}

// Gives each process the names its top-level windows carry; a sandbox's metadata is read once
// per process with a window, the only ones a user can be working in.
void AddWindowIdentities(platform::Platform& platform,
                         const std::unordered_map<std::uint32_t, CLoadedProgram*>& byId)
{
    ClassIndex().RefreshIfChanged();
    std::set<CLoadedProgram*> asked;
    for (const platform::WindowId window : platform.GetTopLevelWindows()) {
        const auto found = byId.find(platform.GetWindowProcessId(window));
        if (found == byId.end()) {
            continue;
        }
        CLoadedProgram& process = *found->second;
        const platform::Platform::WindowIdentity identity = platform.GetWindowIdentity(window);
        for (const std::string& name : identity.classes) {
            AddOnce(process.WindowClasses, name);
        }
        AddOnce(process.DesktopIds, DesktopIdOfWindow(identity));
        if (asked.insert(&process).second) {
            AddOnce(process.DesktopIds,
                    platform.GetProcessDesktopId(static_cast<std::uint32_t>(process.ProcessId)));
        }
    }
}

} // namespace

void RefreshLoadedPrograms(platform::Platform& platform, CLoadedPrograms& programs)
{
    const auto ids = platform.EnumProcesses();
    programs.clear();
    std::unordered_map<std::uint32_t, CLoadedProgram*> byId;
    for (const auto id : ids) {
        auto loaded = std::make_unique<CLoadedProgram>();
        loaded->ProcessId = static_cast<std::int32_t>(id);
        loaded->ModulePath = GetProcessModulePath(platform, id);
        loaded->FileName = ExtractFileName(loaded->ModulePath);
        AddOnce(loaded->DesktopIds, DesktopIdOfSandboxPath(loaded->ModulePath));
        byId[id] = loaded.get();
        programs.push_back(std::move(loaded));
    }
    AddWindowIdentities(platform, byId);
}

CActiveProgram GetActiveProgram(platform::Platform& platform, const CActiveWindow& activeWindow)
{
    CActiveProgram active;
    active.ProcessId = static_cast<std::int32_t>(activeWindow.GetActiveProcessId());
    if (const platform::WindowId window = activeWindow.GetLastWindow(); window != 0) {
        platform::Platform::WindowIdentity identity = platform.GetWindowIdentity(window);
        ClassIndex().RefreshIfChanged();
        active.DesktopId = DesktopIdOfWindow(identity);
        active.WindowClasses = std::move(identity.classes);
    }
    return active;
}

std::string GetProcessModulePath(platform::Platform& platform, std::uint32_t processId)
{
    if (processId == 0) {
        return {};
    }
    return platform.GetProcessModulePath(processId);
}

std::string GetProcessFileName(platform::Platform& platform, std::uint32_t processId)
{
    return ExtractFileName(GetProcessModulePath(platform, processId));
}

std::string DesktopIdOfSandboxPath(const std::string& path)
{
    const std::string marker = "/flatpak/app/";
    const auto at = path.find(marker);
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + marker.size();
    const auto end = path.find('/', start);
    // The application's own files, not a path that merely passes through such a folder.
    if (end == std::string::npos || end == start ||
        path.find("/files/", end) == std::string::npos) {
        return {};
    }
    return path.substr(start, end - start) + ".desktop";
}
