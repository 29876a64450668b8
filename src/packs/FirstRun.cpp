#include "packs/FirstRun.h"

#include "database/DataSetLoader.h"
#include "packs/PackImport.h"
#include "database/Registry.h"
#include "database/ShortCut.h"
#include "packs/ShortcutPack.h"
#include "framework/Exception.h"
#include "platform/Platform.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "desktop/DesktopEntries.h"
#include "desktop/InstalledApplications.h"
#include "packs/Log.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

namespace {

std::vector<std::string> PackFiles(const std::string& folder)
{
    std::vector<std::string> files;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        files.push_back(dir.filePath(name).toStdString());
    }
    return files;
}

// The packs of a file; none, with a logged warning, when it cannot be read.
std::vector<ShortcutPack> ReadPacks(const std::string& file, IconReading icons)
{
    try {
        return ReadPackFile(file, icons).packs;
    } catch (const Exception& error) {
        qCWarning(lcPacks) << "shortcut pack left out:" << error.what();
        return {};
    }
}

bool Contains(const std::vector<std::string>& values, const std::string& wanted)
{
    return std::any_of(values.begin(), values.end(), [&](const std::string& value) {
        return LowerCase(value) == LowerCase(wanted);
    });
}

// Whether the running window manager is one a pack names: the same name, or that name followed by
// a space and more (IceWM calls itself "IceWM 3.3.1 (Linux/x86_64)").
bool NamesWindowManager(const std::vector<std::string>& names, const std::string& running)
{
    const std::string lower = LowerCase(running);
    return std::any_of(names.begin(), names.end(), [&lower](const std::string& name) {
        const std::string wanted = LowerCase(name);
        return lower == wanted || lower.rfind(wanted + " ", 0) == 0;
    });
}

// A pack as the first look saw it: without its icons, and where it lies.
struct FoundPack
{
    std::string file;
    std::size_t index;
    ShortcutPack pack;
};

// The desktop's pack: the first element of XDG_CURRENT_DESKTOP that a pack names, else the
// window manager's name.
const FoundPack* DesktopPack(platform::Platform& platform, const std::vector<FoundPack>& packs)
{
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    for (const std::string& desktop : SplitText(current ? current : "", ':')) {
        for (const FoundPack& found : packs) {
            if (found.pack.desktop && !desktop.empty() && Contains(found.pack.desktops, desktop)) {
                return &found;
            }
        }
    }
    const std::string windowManager = platform.GetWindowManagerName();
    for (const FoundPack& found : packs) {
        if (found.pack.desktop && !windowManager.empty() &&
            NamesWindowManager(found.pack.windowManagers, windowManager)) {
            return &found;
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

// The pack read again with its icons; nullopt when that fails.
std::optional<ShortcutPack> WithIcons(const FoundPack& found)
{
    std::vector<ShortcutPack> packs = ReadPacks(found.file, IconReading::Read);
    return found.index < packs.size() ? std::optional(std::move(packs[found.index])) : std::nullopt;
}

FirstRunResult SetUpBase(platform::Platform& platform, CDBRegistry& registry,
                         const std::string& packsFolder)
{
    // A first look without icons tells which packs this machine needs: only theirs are read.
    std::vector<FoundPack> packs;
    for (const std::string& file : PackFiles(packsFolder)) {
        std::vector<ShortcutPack> read = ReadPacks(file, IconReading::Skip);
        for (std::size_t i = 0; i < read.size(); ++i) {
            packs.push_back({file, i, std::move(read[i])});
        }
    }
    std::vector<const FoundPack*> chosen;
    if (const FoundPack* desktop = DesktopPack(platform, packs)) {
        chosen.push_back(desktop);
    }
    const Installed installed = InstalledByDesktopEntries(ReadDesktopEntries());
    for (const FoundPack& found : packs) {
        if (!found.pack.desktop && IsInstalled(found.pack, installed)) {
            chosen.push_back(&found);
        }
    }
    std::vector<ShortcutPack> merged;
    FirstRunResult result;
    for (const FoundPack* found : chosen) {
        if (std::optional<ShortcutPack> pack = WithIcons(*found)) {
            result.desktop = result.desktop || pack->desktop;
            if (!pack->desktop) {
                result.applications.push_back(pack->name);
            }
            merged.push_back(std::move(*pack));
        }
    }
    if (!result.Added()) {
        return result;
    }
    MergePacks(registry, merged);
    try {
        registry.GetLoader()->Save();
    } catch (const Exception& error) {
        // The user has been told why the base is not saved when it was loaded.
        qCWarning(lcPacks) << "the new shortcut base is not saved:" << error.what();
    }
    return result;
}

} // namespace

FirstRunResult LoadOrSetUpBase(platform::Platform& platform, CDBRegistry& registry,
                               const std::string& packsFolder)
{
    const bool firstRun = !registry.GetLoader()->BaseExists();
    registry.GetLoader()->Load();
    return firstRun ? SetUpBase(platform, registry, packsFolder) : FirstRunResult{};
}

std::string DescribeFirstRun(const FirstRunResult& result)
{
    std::string names;
    for (const std::string& name : result.applications) {
        names += (names.empty() ? "" : ", ") + name;
    }
    const std::string count = std::to_string(result.applications.size());
    if (result.applications.empty()) {
        return Translate("В базу сочетаний клавиш добавлены сочетания рабочего стола.");
    }
    if (result.desktop) {
        return FormatText(Translate("В базу сочетаний клавиш добавлены сочетания рабочего стола и "
                                    "программ (%s): %s."),
                          count, names);
    }
    return FormatText(Translate("В базу сочетаний клавиш добавлены сочетания программ (%s): %s."),
                      count, names);
}
