#pragma once

#include "database/Registry.h"
#include "database/ShortCut.h"
#include "services/ActiveWindow.h"

#include "FakePlatform.h"
#include "FakeTimerService.h"

#include <memory>

// The fake system, installed before the registry asks it for the data folder.
struct FakeSystem
{
    FakeSystem() { system.InstallAsCurrent(); }
    platform::FakePlatform system;
    FakeTimerService timers;
};

// A base of 1,000 programs with 10 shortcuts each (16x16 icons), 300 of them running, one
// active; built once per process.
class Base : public FakeSystem
{
public:
    Base();

    CDBRegistry registry;
    std::unique_ptr<CActiveWindow> activeWindow;
    CLoadedPrograms loaded;

    // Changes one shortcut, as an edit in the editor would.
    void Touch();
};

Base& TheBase();

constexpr std::uint16_t BenchCtrl = 17, BenchShift = 16, BenchAlt = 18, BenchF1 = 112;
