// The overlay's work each time it is shown: building the shortcut set from the tables, then
// asking it for the keys to label while 0, 1 or 2 keys are held.
#include "BenchBase.h"

#include "database/Zintdb.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

void LoadShortCuts(benchmark::State& state)
{
    Base& base = TheBase();
    CClientDataSetDB db;
    for (auto _ : state) {
        auto shortCuts = db.LoadShortCuts(&base.loaded);
        benchmark::DoNotOptimize(shortCuts.get());
    }
}
BENCHMARK(LoadShortCuts)->Unit(benchmark::kMillisecond);

// The first load of a process, with every picture decoded.
void LoadShortCutsFirstTime(benchmark::State& state)
{
    Base& base = TheBase();
    for (auto _ : state) {
        CClientDataSetDB db;
        auto shortCuts = db.LoadShortCuts(&base.loaded);
        benchmark::DoNotOptimize(shortCuts.get());
    }
}
BENCHMARK(LoadShortCutsFirstTime)->Unit(benchmark::kMillisecond);

void GetNextKeys(benchmark::State& state)
{
    CClientDataSetDB db;
    auto shortCuts = db.LoadShortCuts(&TheBase().loaded);
    const CKeyCodes held[] = {{}, {BenchCtrl}, {BenchCtrl, BenchShift}};
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
