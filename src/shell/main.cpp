#include "framework/QtTimerService.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"
#include "services/Translation.h"
#include "shell/Application.h"
#include "shell/CheatSheetCommand.h"
#include "shell/CommandLine.h"
#include "shell/MainForm.h"
#include "shell/PackCommands.h"

#include <cstdlib>
#include <memory>
#include <optional>

int main(int argc, char** argv)
{
    // The command line is read before anything reaches the display, the instance lock or the
    // base, so that --help and --version work anywhere: on a platform without the display, gone
    // afterwards. Its texts are translated, so the catalogue is bound first.
    std::optional<CCommandLine> commandLine;
    {
        platform::X11Platform bare(platform::X11Platform::DisplayConnection::Later);
        platform::Install(&bare);
        InitLocalization("", "");
        commandLine.emplace();
        AddPackOptions(*commandLine);
        AddCheatSheetOptions(*commandLine);
        const auto exitCode = commandLine->Parse(ArgumentsOf(argc, argv));
        platform::Install(nullptr);
        if (exitCode) {
            return *exitCode;
        }
    }
    // A cheat sheet, an import or an export needs no screen: without one they draw off-screen.
    const bool cheatSheet = PrepareCheatSheetCommand(argc, argv);
    ChoosePlatformForPackCommands(argc, argv);

    // Drawn off-screen without a display, a command has no display to connect to either.
    const bool displayless = qEnvironmentVariableIsEmpty("DISPLAY") &&
                             qgetenv("QT_QPA_PLATFORM") == QByteArrayLiteral("offscreen");

    TApplication app(argc, argv);
    QtTimerService timers;
    InstallTimerService(&timers);
    // A Wayland session is watched through the compositor, never through XWayland.
    std::unique_ptr<platform::Platform> system;
    if (platform::WaylandPlatform::IsWaylandSession()) {
        system = std::make_unique<platform::WaylandPlatform>();
    } else {
        system = std::make_unique<platform::X11Platform>(
            displayless ? platform::X11Platform::DisplayConnection::Later
                        : platform::X11Platform::DisplayConnection::Now);
    }
    platform::Install(system.get());
    // The user's environment chooses the language; the catalogues lie beside the executable.
    InitLocalization("", "");
    if (cheatSheet) {
        return RunCheatSheetCommand(app.arguments().mid(1));
    }
    if (const auto code = RunPackCommand(commandLine->Parser())) {
        return *code;
    }

    int code = 0;
    try {
        auto form = std::make_unique<TMainForm>(commandLine->Show());
        if (form->IsFirstInstance()) {
            code = app.exec();
        }
    } catch (const std::exception& error) {
        ShowException(error);
        code = EXIT_FAILURE;
    }
    return code;
}
