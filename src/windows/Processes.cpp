#include "windows/Processes.h"

#include "platform/Platform.h"
#include "util/Paths.h"

void RefreshLoadedPrograms(CLoadedPrograms& programs)
{
    const auto ids = platform::Get().EnumProcesses();
    programs.clear();
    for (const auto id : ids) {
        auto loaded = std::make_unique<CLoadedProgram>();
        loaded->ProcessId = static_cast<std::int32_t>(id);
        loaded->ModulePath = GetProcessModulePath(id);
        loaded->FileName = ExtractFileName(loaded->ModulePath);
        programs.push_back(std::move(loaded));
    }
}

std::string GetProcessModulePath(std::uint32_t processId)
{
    if (processId == 0) {
        return {};
    }
    return platform::Get().GetProcessModulePath(processId);
}

std::string GetProcessFileName(std::uint32_t processId)
{
    return ExtractFileName(GetProcessModulePath(processId));
}
