#include "BenchBase.h"

#include "BaseWriter.h"

#include "framework/DataSet.h"
#include "windows/Processes.h"

namespace {

constexpr int ProgramCount = 1000;
constexpr int ShortcutsPerProgram = 10;
constexpr int RunningPrograms = 300;

} // namespace

Base::Base()
{
    for (int i = 0; i < RunningPrograms; ++i) {
        system.processes.emplace_back(1000 + i, "/usr/bin/prog" + std::to_string(i));
    }
    AddGeneratedBase(registry, ProgramCount, ShortcutsPerProgram);
    system.windows[1].processId = 1005;
    system.foregroundWindow = 1;
    activeWindow = std::make_unique<CActiveWindow>(system);
    RefreshLoadedPrograms(system, loaded);
}

void Base::Touch()
{
    DataSet& shortcuts = *registry.GetShortcuts();
    shortcuts.First();
    shortcuts.Edit();
    const std::string name = shortcuts.FieldByName("ShortName").AsString();
    shortcuts.FieldByName("ShortName").SetValue(name == "a" ? std::string("b") : std::string("a"));
    shortcuts.Post();
}

Base& TheBase()
{
    static Base base;
    return base;
}
