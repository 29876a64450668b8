#include "framework/QtTimerService.h"
#include "platform/linux/LinuxPlatform.h"
#include "services/Translation.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"
#include "shell/MainForm.h"

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    // The command line is read before anything reaches the display, the instance lock or the
    // base: --help and --version work anywhere.
    platform::LinuxPlatform system(platform::LinuxPlatform::DisplayConnection::Later);
    platform::Install(&system);
    // The user's environment chooses the language; the catalogues lie beside the executable.
    InitLocalization("", "");
    CCommandLine commandLine;
    if (const auto exitCode = commandLine.Parse(ArgumentsOf(argc, argv))) {
        return *exitCode;
    }

    TApplication app(argc, argv);
    system.ConnectDisplay();
    QtTimerService timers;
    InstallTimerService(&timers);

    int code = 0;
    try {
        auto form = std::make_unique<TMainForm>(commandLine.Show());
        if (form->IsFirstInstance()) {
            code = app.exec();
        }
    } catch (const std::exception& error) {
        ShowException(error);
        code = EXIT_FAILURE;
    }
    return code;
}
