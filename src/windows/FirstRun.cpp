#include "windows/FirstRun.h"

#include "database/DataSetLoader.h"
#include "database/PackImport.h"
#include "database/Registry.h"
#include "database/ShortCut.h"
#include "database/ShortcutPack.h"
#include "framework/Exception.h"
#include "platform/Platform.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "windows/DesktopEntries.h"
#include "windows/InstalledApplications.h"
#include "windows/Log.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

std::vector<ShortcutPack> ReadPacks(const std::string& folder)
{
    std::vector<ShortcutPack> packs;
    const QDir dir(QString::fromStdString(folder));
    const QStringList names = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        try {
            for (ShortcutPack& pack : ReadPackFile(dir.filePath(name).toStdString()).packs) {
                packs.push_back(std::move(pack));
            }
        } catch (const Exception& error) {
            qCWarning(lcWindows) << "shortcut pack left out:" << error.what();
        }
    }
    return packs;
}

bool Contains(const std::vector<std::string>& values, const std::string& wanted)
{
    return std::any_of(values.begin(), values.end(), [&](const std::string& value) {
        return LowerCase(value) == LowerCase(wanted);
    });
}

// The desktop's pack: the first element of XDG_CURRENT_DESKTOP that a pack names, else the
// window manager's name.
const ShortcutPack* DesktopPack(const std::vector<ShortcutPack>& packs)
{
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    for (const std::string& desktop : SplitText(current ? current : "", ':')) {
        for (const ShortcutPack& pack : packs) {
            if (pack.desktop && !desktop.empty() && Contains(pack.desktops, desktop)) {
                return &pack;
            }
        }
    }
    const std::string windowManager = platform::Get().GetWindowManagerName();
    for (const ShortcutPack& pack : packs) {
        if (pack.desktop && !windowManager.empty() &&
            Contains(pack.windowManagers, windowManager)) {
            return &pack;
        }
    }
    return nullptr;
}

// What the desktop entries say is installed: the file names of the executables they run, and
// their ids.
struct Installed
{
    std::set<std::string> executables;
    std::set<std::string> desktopIds;
};

Installed InstalledByDesktopEntries(const std::vector<DesktopEntry>& entries)
{
    Installed installed;
    for (const InstalledApplication& application : CollectInstalledApplications(entries)) {
        installed.executables.insert(LowerCase(ExtractFileName(application.path)));
        installed.desktopIds.insert(application.entry->id);
    }
    return installed;
}

bool IsInstalled(const ShortcutPack& pack, const Installed& installed)
{
    if (installed.desktopIds.count(pack.desktopId)) {
        return true;
    }
    return std::any_of(pack.executables.begin(), pack.executables.end(), [&](const auto& name) {
        return IsApplicationFile(ResolveOnPath(name)) ||
               installed.executables.count(LowerCase(ExtractFileName(name)));
    });
}

FirstRunResult SetUpBase(CDBRegistry& registry, const std::string& packsFolder)
{
    const std::vector<ShortcutPack> packs = ReadPacks(packsFolder);
    std::vector<ShortcutPack> chosen;
    FirstRunResult result;
    if (const ShortcutPack* desktop = DesktopPack(packs)) {
        chosen.push_back(*desktop);
        result.desktop = true;
    }
    const std::vector<DesktopEntry> entries = ReadDesktopEntries();
    const Installed installed = InstalledByDesktopEntries(entries);
    for (const ShortcutPack& pack : packs) {
        if (!pack.desktop && IsInstalled(pack, installed)) {
            chosen.push_back(pack);
            result.applications.push_back(pack.name);
        }
    }
    if (!result.Added()) {
        return result;
    }
    MergePacks(registry, chosen);
    try {
        registry.GetLoader()->Save();
    } catch (const Exception& error) {
        // The user has been told why the base is not saved when it was loaded.
        qCWarning(lcWindows) << "the new shortcut base is not saved:" << error.what();
    }
    return result;
}

} // namespace

FirstRunResult LoadOrSetUpBase(CDBRegistry& registry, const std::string& packsFolder)
{
    const bool firstRun = !registry.GetLoader()->BaseExists();
    registry.GetLoader()->Load();
    return firstRun ? SetUpBase(registry, packsFolder) : FirstRunResult{};
}

std::string DescribeFirstRun(const FirstRunResult& result)
{
    std::string names;
    for (const std::string& name : result.applications) {
        names += (names.empty() ? "" : ", ") + name;
    }
    const std::string count = std::to_string(result.applications.size());
    if (result.applications.empty()) {
        return Translate("В базу сочетаний клавиш добавлены сочетания рабочего стола. Нажмите "
                         "Win+Q, чтобы увидеть их.");
    }
    if (result.desktop) {
        return FormatText(Translate("В базу сочетаний клавиш добавлены сочетания рабочего стола и "
                                    "программ (%s): %s. Нажмите Win+Q, чтобы увидеть их."),
                          count, names);
    }
    return FormatText(Translate("В базу сочетаний клавиш добавлены сочетания программ (%s): %s. "
                                "Нажмите Win+Q, чтобы увидеть их."),
                      count, names);
}
