#include "live/LiveController.h"

#include "services/ActiveWindow.h"
#include "util/Paths.h"
#include "windows/Processes.h"

#include <clocale>
#include <cstdlib>
#include <utility>

namespace {

// The language a program's texts are read in: the gettext variables that choose it.
std::string MessageLocale()
{
    const char* language = std::getenv("LANGUAGE");
    const char* messages = std::setlocale(LC_MESSAGES, nullptr);
    return std::string(language ? language : "") + '/' + (messages ? messages : "");
}

} // namespace

CLiveController::CLiveController(platform::Platform& platform, CShortCutSetLoader& base,
                                 CActiveWindow& activeWindow)
    : platform_(platform), activeWindow_(activeWindow), loader_(platform, base),
      reader_(JoinPath(platform.GetSpecialFolder(platform::SpecialFolderKind::Cache), "quorvel",
                       "live"),
              [this](const live::LiveProgram& program,
                     const std::vector<live::LiveShortcut>& shortcuts) {
                  loader_.SetLive(program, shortcuts);
              })
{
}

void CLiveController::OnActiveWindowChange()
{
    const platform::WindowId window = activeWindow_.GetLastWindow();
    const CActiveProgram active = GetActiveProgram(platform_, activeWindow_);
    if (window == 0 || active.ProcessId <= 1) {
        return;
    }
    live::LiveTarget target;
    target.program.processId = static_cast<std::uint32_t>(active.ProcessId);
    target.program.executable = GetProcessModulePath(platform_, target.program.processId);
    target.program.desktopId = active.DesktopId;
    target.program.classes = active.WindowClasses;
    target.program.executableTime = live::ModificationTime(target.program.executable);
    target.program.locale = MessageLocale();
    platform::Platform::MenuExport menus = platform_.GetWindowMenuExport(window);
    target.busName = std::move(menus.busName);
    target.menuPaths = std::move(menus.objectPaths);
    if (target.program.executable.empty() && target.menuPaths.empty()) {
        return;
    }
    reader_.Read(std::move(target));
}
