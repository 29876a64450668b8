// The overlay's work each time it is shown: building the shortcut set from the tables, then
// asking it for the keys to label while 0, 1 or 2 keys are held.
#include "BenchBase.h"

#include "database/ShortCutSetLoader.h"

#include <benchmark/benchmark.h>

namespace {

// A load after a change: the pictures are decoded already.
void LoadShortCuts(benchmark::State& state)
{
    Base& base = TheBase();
    CShortCutSetLoader loader(base.system, base.registry);
    loader.LoadShortCuts();
    for (auto _ : state) {
        auto shortCuts = loader.LoadShortCuts();
        benchmark::DoNotOptimize(shortCuts.get());
    }
}
BENCHMARK(LoadShortCuts)->Unit(benchmark::kMillisecond);

// The first load of a process, with every picture decoded.
void LoadShortCutsFirstTime(benchmark::State& state)
{
    Base& base = TheBase();
    for (auto _ : state) {
        CShortCutSetLoader loader(base.system, base.registry);
        auto shortCuts = loader.LoadShortCuts();
        benchmark::DoNotOptimize(shortCuts.get());
    }
}
BENCHMARK(LoadShortCutsFirstTime)->Unit(benchmark::kMillisecond);

// Working out which programs run and which is active, as every show does.
void SetRunningPrograms(benchmark::State& state)
{
    Base& base = TheBase();
    CShortCutSetLoader loader(base.system, base.registry);
    auto shortCuts = loader.LoadShortCuts();
    for (auto _ : state) {
        shortCuts->SetRunningPrograms(base.loaded, {1005, {}, {}});
    }
}
BENCHMARK(SetRunningPrograms)->Unit(benchmark::kMicrosecond);

// Runs a query of the loaded set, for nothing, Ctrl, or Ctrl and Shift held (the argument).
template <typename Query> void QueryWithKeysHeld(benchmark::State& state, Query query)
{
    Base& base = TheBase();
    CShortCutSetLoader loader(base.system, base.registry);
    auto shortCuts = loader.LoadShortCuts();
    shortCuts->SetRunningPrograms(base.loaded, {1005, {}, {}});
    const CKeyCodes held[] = {{}, {BenchCtrl}, {BenchCtrl, BenchShift}};
    const CKeyCodes& pressed = held[state.range(0)];
    for (auto _ : state) {
        query(*shortCuts, pressed);
    }
}

void GetNextKeys(benchmark::State& state)
{
    QueryWithKeysHeld(state, [](IShortCuts& shortCuts, const CKeyCodes& pressed) {
        auto next = shortCuts.GetNextKeys(pressed);
        benchmark::DoNotOptimize(next);
        benchmark::DoNotOptimize(shortCuts.FindShortCut(pressed));
    });
}
BENCHMARK(GetNextKeys)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The overlay's query: the next keys with the counts behind the keys that begin longer shortcuts.
void GetNextKeysAndCounts(benchmark::State& state)
{
    QueryWithKeysHeld(state, [](IShortCuts& shortCuts, const CKeyCodes& pressed) {
        auto next = shortCuts.GetNextKeysAndCounts(pressed);
        benchmark::DoNotOptimize(next);
    });
}
BENCHMARK(GetNextKeysAndCounts)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
