// The overlay's work each time it is shown: building the shortcut set from the tables, then
// asking it for the keys to label while 0, 1 or 2 keys are held.
#include "database/Dbregistry.h"
#include "database/Zintdb.h"
#include "framework/FakeTimerService.h"
#include "platform/fake/FakePlatform.h"
#include "shell/Activewindow.h"

#include <QBuffer>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int ProgramCount = 1000;
constexpr int ShortcutsPerProgram = 10;
constexpr int RunningPrograms = 300;
constexpr std::uint16_t Ctrl = 17, Shift = 16, Alt = 18, F1 = 112;

Blob Icon(int seed)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(static_cast<QRgb>(seed * 2654435761u)));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Blob(buffer.data().begin(), buffer.data().end());
}

CKeyCodes Keys(int program, int index)
{
    const auto letter = static_cast<std::uint16_t>('A' + (program + index) % 26);
    switch (index % 4) {
    case 0:
        return {Ctrl, letter};
    case 1:
        return {Ctrl, Shift, letter};
    case 2:
        return {Alt, letter};
    default:
        return {static_cast<std::uint16_t>(F1 + index % 12)};
    }
}

// The fake system, installed before the registry asks it for the data folder.
struct FakeSystem
{
    FakeSystem() { system.InstallAsCurrent(); }
    platform::FakePlatform system;
    FakeTimerService timers;
};

// A base of 1,000 programs with 10 shortcuts each, 300 of them running, one active.
class Base : public FakeSystem
{
public:
    Base()
    {
        for (int i = 0; i < ProgramCount; ++i) {
            if (i < RunningPrograms) {
                system.processes.emplace_back(1000 + i, "/usr/bin/prog" + std::to_string(i));
            }
            DataSet& programs = *registry.GetPrograms();
            programs.Append();
            programs.FieldByName("FileName").SetValue("/usr/bin/prog" + std::to_string(i));
            programs.Post();
            DataSet& shortcuts = *registry.GetShortcuts();
            for (int s = 0; s < ShortcutsPerProgram; ++s) {
                shortcuts.Append();
                shortcuts.FieldByName("Description").SetValue("Action " + std::to_string(s));
                shortcuts.FieldByName("IsNormal").SetValue(s % 3 != 0);
                shortcuts.FieldByName("KeyCodes").SetValue(Keys(i, s).SaveToBuffer());
                shortcuts.FieldByName("Icon").SetValue(Icon(i * ShortcutsPerProgram + s));
                shortcuts.Post();
            }
        }
        system.windows[1].processId = 1005;
        system.foregroundWindow = 1;
        CActiveWindow::Instance().Poll();
        RefreshLoadedPrograms(loaded);
    }
    ~Base() { CActiveWindow::DestroyInstance(); }

    CDBRegistry registry;
    CLoadedPrograms loaded;
};

Base& TheBase()
{
    static Base base;
    return base;
}

void LoadShortCuts(benchmark::State& state)
{
    CClientDataSetDB db;
    for (auto _ : state) {
        auto shortCuts = db.LoadShortCuts(&TheBase().loaded);
        benchmark::DoNotOptimize(shortCuts.get());
    }
}
BENCHMARK(LoadShortCuts)->Unit(benchmark::kMillisecond);

// The first load of a process, with every picture decoded.
void LoadShortCutsFirstTime(benchmark::State& state)
{
    for (auto _ : state) {
        CClientDataSetDB db;
        auto shortCuts = db.LoadShortCuts(&TheBase().loaded);
        benchmark::DoNotOptimize(shortCuts.get());
    }
}
BENCHMARK(LoadShortCutsFirstTime)->Unit(benchmark::kMillisecond);

void GetNextKeys(benchmark::State& state)
{
    CClientDataSetDB db;
    auto shortCuts = db.LoadShortCuts(&TheBase().loaded);
    const CKeyCodes held[] = {{}, {Ctrl}, {Ctrl, Shift}};
    const CKeyCodes& pressed = held[state.range(0)];
    for (auto _ : state) {
        auto next = shortCuts->GetNextKeys(pressed);
        benchmark::DoNotOptimize(next);
        benchmark::DoNotOptimize(shortCuts->FindShortCut(pressed));
    }
}
BENCHMARK(GetNextKeys)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
