#include "framework/QtTimerService.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/Application.h"
#include "services/Translation.h"
#include "shell/MainForm.h"

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QtTimerService timers;
    InstallTimerService(&timers);
    platform::LinuxPlatform system;
    platform::Install(&system);
    // The user's environment chooses the language; the catalogues lie beside the executable.
    InitLocalization("", "");

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
