#include "live/LiveController.h"

#include "database/Registry.h"
#include "desktop/Settings.h"
#include "framework/DataSet.h"
#include "live/AccessibilitySwitch.h"
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

CLiveController::CLiveController(platform::Platform& platform, CDBRegistry& registry,
                                 CShortCutSetLoader& base, CActiveWindow& activeWindow,
                                 QDBusConnection session)
    : platform_(platform), registry_(registry), activeWindow_(activeWindow),
      session_(std::move(session)), loader_(platform, base),
      reader_(JoinPath(platform.GetSpecialFolder(platform::SpecialFolderKind::Cache), "quorvel",
                       "live"),
              [this](const live::LiveProgram& program,
                     const std::vector<live::LiveShortcut>& shortcuts) {
                  loader_.SetLive(program, shortcuts);
              })
{
    loader_.SetEnabled(false);
}

void CLiveController::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    loader_.SetEnabled(enabled);
    if (!enabled) {
        reader_.Cancel();
    }
}

void CLiveController::ApplySettings(CSettings& settings)
{
    const SettingsValues& values = settings.values;
    SetEnabled(values.liveReading);
    const bool switchedOn = live::ApplyAccessibilityChoice(
        session_, values.liveReading && values.liveAccessibility, settings.accessibilitySwitchedOn);
    if (switchedOn != settings.accessibilitySwitchedOn) {
        settings.accessibilitySwitchedOn = switchedOn;
        settings.Save();
    }
}

bool CLiveController::SwitchedOff(const live::LiveProgram& program)
{
    if (programsRevision_ != registry_.Revision()) {
        programsRevision_ = registry_.Revision();
        DataSet& programs = *registry_.GetPrograms();
        programs_.clear();
        for (const DataSet::Record* record : programs.AllRecords()) {
            programs_.push_back(ProgramOfRecord(programs, *record));
        }
    }
    const CProgram* owner = OwnerOf(programs_, program);
    return owner && owner->LiveReadingOff;
}

void CLiveController::OnActiveWindowChange()
{
    if (std::optional<live::LiveTarget> target = ActiveTarget()) {
        reader_.Read(std::move(*target));
    }
}

std::optional<live::LiveTarget> CLiveController::ActiveTarget()
{
    if (!enabled_) {
        return std::nullopt;
    }
    const platform::WindowId window = activeWindow_.GetLastWindow();
    const CActiveProgram active = GetActiveProgram(platform_, activeWindow_);
    if (window == 0 || active.ProcessId <= 1) {
        return std::nullopt;
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
    if ((target.program.executable.empty() && target.menuPaths.empty()) ||
        SwitchedOff(target.program)) {
        return std::nullopt;
    }
    return target;
}
