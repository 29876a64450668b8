#include "FakeEnvironment.h"

#include "shell/Activewindow.h"
#include "util/Mylib.h"

FakeEnvironment::FakeEnvironment()
{
    platform.InstallAsCurrent();
    platform.executablePath = BuildFolder() + "/quorvel";
    platform.specialFolders[platform::sfAppData] = dataFolder.path().toStdString();
    SetMessageBoxHandler([this](const std::string& text, const MessageBoxOptions&) {
        messages.push_back(text);
        return messageBoxAnswer;
    });
}

FakeEnvironment::~FakeEnvironment()
{
    // The tracker's timer lives on this environment's fake time.
    CActiveWindow::DestroyInstance();
    SetMessageBoxHandler(nullptr);
}

std::string BuildFolder()
{
    return QUORVEL_BUILD_DIR;
}
