#include "FakeEnvironment.h"

#include "util/MessageBox.h"
#include "util/Paths.h"

FakeEnvironment::FakeEnvironment()
{
    platform.InstallAsCurrent();
    platform.executablePath = BuildFolder() + "/quorvel";
    platform.specialFolders[platform::SpecialFolderKind::AppData] = dataFolder.path().toStdString();
    platform.specialFolders[platform::SpecialFolderKind::Config] =
        configFolder.path().toStdString();
    environment.Set("XDG_DATA_DIRS", dataFolder.filePath("no-system-data").toStdString());
    SetMessageBoxHandler([this](const std::string& text, const MessageBoxOptions&) {
        messages.push_back(text);
        return messageBoxAnswer;
    });
}

FakeEnvironment::~FakeEnvironment()
{
    SetMessageBoxHandler(nullptr);
}

std::string BuildFolder()
{
    return QUORVEL_BUILD_DIR;
}
