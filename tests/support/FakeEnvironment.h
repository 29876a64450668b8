#pragma once

#include "FakeTimerService.h"
#include "util/MessageBox.h"
#include "FakePlatform.h"
#include "ScopedEnvironment.h"

#include <QTemporaryDir>

#include <string>
#include <vector>

// Everything a unit test needs from the outside world, deterministic: the fake platform, fake
// time, and a recorder in place of modal message boxes. The fake executable lies in the build
// folder, so the program's files (layout, pictures, catalogues) are found beside it.
class FakeEnvironment
{
public:
    FakeEnvironment();
    ~FakeEnvironment();

    platform::FakePlatform platform;
    FakeTimerService timers;
    // Texts of the message boxes shown, in order.
    std::vector<std::string> messages;
    // The button every message box answers with.
    MessageButton messageBoxAnswer = MessageButton::OK;
    // The user's data folder (sfAppData), empty and removed afterwards.
    QTemporaryDir dataFolder;
    // The user's configuration folder ($XDG_CONFIG_HOME), empty and removed afterwards.
    QTemporaryDir configFolder;
    // $XDG_DATA_DIRS points nowhere, so the machine's desktop entries stay out of tests.
    ScopedEnvironment environment;
};

// The build folder, where the executable and its resources lie.
std::string BuildFolder();
