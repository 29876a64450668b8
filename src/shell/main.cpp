#include "framework/QtTimerService.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/XWaylandDisplay.h"
#include "services/Translation.h"
#include "shell/Application.h"
#include "shell/CheatSheetCommand.h"
#include "shell/CommandLine.h"
#include "shell/InstanceRequests.h"
#include "shell/MainForm.h"
#include "shell/PackCommands.h"
#include "util/Paths.h"

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The catalogues of the program's text domain, named after its executable.
void Localize(platform::Platform& platform)
{
    InitLocalization("", ExtractFileTitle(platform.GetExecutablePath()));
}

} // namespace

// The composition root: the platform is made here and handed to every object that uses it;
// installing it serves only the deep helpers that find the program's files and name keys. The
// executable (Launcher.cpp) loads the program and calls this.
extern "C" __attribute__((visibility("default"))) int QuorvelMain(int argc, char** argv)
{
    // The command line is read before anything reaches the display, the instance lock or the
    // base, so that --help and --version work anywhere: on a platform without the display, gone
    // afterwards. Its texts are translated, so the catalogue is bound first.
    std::optional<CCommandLine> commandLine;
    {
        platform::X11Platform bare(platform::X11Platform::DisplayConnection::Later);
        platform::Install(&bare);
        Localize(bare);
        commandLine.emplace();
        const auto exitCode = commandLine->Parse(bare, ArgumentsOf(argc, argv));
        // "quorvel --show" while a copy runs only asks it to show the overlay: before the toolkit
        // and the platform start, which took most of the time from the key to the overlay;
        // "--open WINDOW" (a desktop entry's action) asks it to open that window.
        const std::string request = commandLine->Show() ? instance::ShowRequest()
                                    : !commandLine->OpenWindow().empty()
                                        ? TMainForm::OpenRequest(commandLine->OpenWindow())
                                        : std::string();
        const bool shown = !exitCode && commandLine->Task() == CommandLineTask::TrayProgram &&
                           !request.empty() &&
                           bare.SendMessageToFirstCopy(TMainForm::MessageChannel, request);
        platform::Install(nullptr);
        if (exitCode) {
            return *exitCode;
        }
        if (shown) {
            return EXIT_SUCCESS;
        }
    }
    // A command that ends by itself draws off-screen unless a Qt platform is chosen, and reads
    // the X display (the keyboard layout of a cheat sheet) only when there is one.
    if (!commandLine->NeedsDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const bool displayless = !commandLine->NeedsDisplay() && qEnvironmentVariableIsEmpty("DISPLAY");

    TApplication app(argc, argv);
    QtTimerService timers;
    InstallTimerService(&timers);
    // A Wayland session is watched through the compositor; XWayland's display serves only its own
    // X11 windows, where the compositor tells nothing of windows.
    std::unique_ptr<platform::Platform> system;
    if (platform::WaylandPlatform::IsWaylandSession()) {
        system = std::make_unique<platform::WaylandPlatform>(&platform::XWaylandDisplay::Open);
    } else {
        system = std::make_unique<platform::X11Platform>(
            displayless ? platform::X11Platform::DisplayConnection::Later
                        : platform::X11Platform::DisplayConnection::Now);
    }
    platform::Install(system.get());
    // The user's environment chooses the language; the catalogues lie beside the executable.
    Localize(*system);
    if (commandLine->Task() == CommandLineTask::CheatSheet) {
        return RunCheatSheetCommand(*system, CheatSheetCommandOf(*commandLine));
    }
    if (const auto code = RunPackCommand(*system, *commandLine)) {
        return *code;
    }

    int code = 0;
    try {
        auto form =
            std::make_unique<TMainForm>(*system, commandLine->Show(), commandLine->OpenWindow());
        if (form->IsFirstInstance()) {
            code = app.exec();
        }
    } catch (const std::exception& error) {
        ShowException(error);
        code = EXIT_FAILURE;
    }
    return code;
}
