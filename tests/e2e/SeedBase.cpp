// Writes a shortcut base through the program's own data layer, for end-to-end tests, benchmarks
// and screenshots. Usage: quorvel_seed_base FILE, or quorvel_seed_base --generate PROGRAMS
// SHORTCUTS for a generated base with icons. Each line of FILE (tab-separated):
//   program-file  type  keys  short-name  description  [desktop-id]
// where program-file "Superglobal" means a super-global shortcut, type is "normal" or
// "global", keys are virtual-key codes joined with '+', e.g. 17+83 for Ctrl+S, and desktop-id
// names the program's desktop entry too.

#include "BaseWriter.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "framework/DataSet.h"
#include "framework/QtTimerService.h"
#include "platform/x11/X11Platform.h"
#include "util/Text.h"

#include <QGuiApplication>

#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    const bool generate = argc == 4 && std::string(argv[1]) == "--generate";
    if (argc != 2 && !generate) {
        std::cerr << "usage: quorvel_seed_base FILE | --generate PROGRAMS SHORTCUTS\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QtTimerService timers;
    InstallTimerService(&timers);
    platform::X11Platform system;
    platform::Install(&system);

    try {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        if (generate) {
            AddGeneratedBase(registry, std::stoi(argv[2]), std::stoi(argv[3]));
            registry.GetLoader()->Save();
            return 0;
        }
        std::ifstream in(argv[1]);
        std::string line;
        while (std::getline(in, line)) {
            const auto fields = SplitText(line, '\t');
            if (fields.size() < 5 || fields.size() > 6 || line[0] == '#') {
                continue;
            }
            std::vector<std::uint16_t> keys;
            for (const std::string& code : SplitText(fields[2], '+')) {
                keys.push_back(static_cast<std::uint16_t>(std::stoi(code)));
            }
            AddShortcut(registry, fields[0], fields[1] == "normal", keys, fields[3], fields[4]);
            if (fields.size() == 6) {
                DataSet& programs = *registry.GetPrograms();
                programs.Locate("FileName", fields[0]);
                programs.Edit();
                programs.FieldByName("DesktopId").SetValue(fields[5]);
                programs.Post();
            }
        }
        registry.GetLoader()->Save();
    } catch (const std::exception& error) {
        std::cerr << "quorvel_seed_base: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
