#include "framework/QtTimerService.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/Application.h"
#include "services/Translation.h"
#include "shell/CheatSheetCommand.h"
#include "shell/MainForm.h"
#include "shell/PackCommands.h"

#include <QCommandLineParser>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    const bool cheatSheet = PrepareCheatSheetCommand(argc, argv);
    ChoosePlatformForPackCommands(argc, argv);
    TApplication app(argc, argv);
    QtTimerService timers;
    InstallTimerService(&timers);
    platform::LinuxPlatform system;
    platform::Install(&system);
    // The user's environment chooses the language; the catalogues lie beside the executable.
    InitLocalization("", "");
    if (cheatSheet) {
        return RunCheatSheetCommand(app.arguments().mid(1));
    }

    QCommandLineParser parser;
    AddPackOptions(parser);
    parser.process(app);
    if (const auto code = RunPackCommand(parser)) {
        return *code;
    }

    int code = 0;
    try {
        auto form = std::make_unique<TMainForm>();
        if (form->IsFirstInstance()) {
            code = app.exec();
        }
    } catch (const std::exception& error) {
        ShowException(error);
        code = EXIT_FAILURE;
    }
    return code;
}
