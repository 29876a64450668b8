#include "desktop/Desktop.h"

#include "desktop/GnomeShortcut.h"
#include "util/Paths.h"

#include <QDir>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The value of "Win95Keys=..." in an IceWM preferences file; nullopt when the file does not set
// it (a commented line sets nothing).
std::optional<bool> Win95KeysIn(const std::string& file)
{
    std::ifstream in(file);
    std::string line;
    std::optional<bool> value;
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 10, "Win95Keys=") != 0) {
            continue;
        }
        const auto digit = line.find_first_not_of(" \t\"", start + 10);
        if (digit != std::string::npos) {
            value = line[digit] == '1';
        }
    }
    return value;
}

// mutter's overlay key; its schema's default is Super_L (org.gnome.mutter.gschema.xml).
bool MutterTakesWinKey(platform::Platform& platform)
{
    const auto output = platform.RunProgram("gsettings", {"get", "org.gnome.mutter", "overlay-key"},
                                            GSettingsTimeoutMs);
    const std::string key = output ? *output : "'Super_L'";
    return key.find("Super_L") != std::string::npos || key.find("Super_R") != std::string::npos;
}

} // namespace

bool IceWmTakesWinKeys()
{
    std::vector<std::string> folders;
    if (const std::string own = Environment("ICEWM_PRIVCFG"); !own.empty()) {
        folders.push_back(own);
    }
    const std::string config = SpecialFolder(platform::SpecialFolderKind::Config);
    if (!config.empty() && QDir(QString::fromStdString(JoinPath(config, "icewm"))).exists()) {
        folders.push_back(JoinPath(config, "icewm"));
    }
    if (const std::string home = Environment("HOME"); !home.empty()) {
        folders.push_back(JoinPath(home, ".icewm"));
    }
    folders.insert(folders.end(), {"/etc/icewm", "/usr/share/icewm"});
    for (const std::string& folder : folders) {
        if (const auto value = Win95KeysIn(JoinPath(folder, "preferences"))) {
            return *value;
        }
    }
    return true;
}

DesktopFacts InspectDesktop(platform::Platform& platform)
{
    DesktopFacts facts;
    facts.windowManager = platform.GetWindowManagerName();
    facts.grabsTrigger = platform.CanGrabTrigger();
    const std::string& name = facts.windowManager;
    // Plain mutter calls itself "Mutter", GNOME Shell (mutter inside) "GNOME Shell".
    if (name.find("Mutter") != std::string::npos || name == "GNOME Shell") {
        facts.gnomeShortcuts = GnomeShortcutsAvailable(platform);
        // GNOME 48's portal binds the trigger in mutter itself, as its own Super shortcuts.
        const bool blocks = !platform.DesktopBindsTrigger() && MutterTakesWinKey(platform);
        facts.winKeyOwner = blocks ? WinKeyOwner::Mutter : WinKeyOwner::Nobody;
    } else if (name == "IceWM" || name.rfind("IceWM ", 0) == 0) {
        facts.winKeyOwner = IceWmTakesWinKeys() ? WinKeyOwner::IceWM : WinKeyOwner::Nobody;
    }
    return facts;
}
