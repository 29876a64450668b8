#pragma once

#include "database/Dbregistry.h"
#include "database/Shortcut.h"
#include "framework/FakeTimerService.h"
#include "platform/fake/FakePlatform.h"

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
    ~Base();

    CDBRegistry registry;
    CLoadedPrograms loaded;
};

Base& TheBase();

constexpr std::uint16_t BenchCtrl = 17, BenchShift = 16, BenchAlt = 18, BenchF1 = 112;
