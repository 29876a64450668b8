// The overlay's work on the show path (reload the processes, the shortcut set and the keyboard,
// then lay the actions on the keys) and for one key event, offscreen.
#include "BenchBase.h"

#include "database/Zintdb.h"
#include "shell/Keyboard.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <benchmark/benchmark.h>

namespace {

// The controller wired as the main window wires it, over the shared base.
struct Overlay
{
    Overlay()
    {
        base.system.executablePath = QUORVEL_BUILD_DIR "/quorvel";
        // 300 fake processes, as in the base.
        keyboard.ShortCutLoader = &db;
        keyboard.KeyLoader = &db;
        keyboard.Parent = &window;
        keyboard.Label = &label;
        window.resize(1566, 631);
        window.show();
    }

    // First: the controller needs the base's fake time and platform.
    Base& base = TheBase();
    CClientDataSetDB db;
    QWidget window;
    QLabel label{&window};
    CKeyboard keyboard;
};

void ShowPath(benchmark::State& state)
{
    Overlay overlay;
    for (auto _ : state) {
        overlay.keyboard.Reload();
        overlay.keyboard.Refresh();
    }
}
BENCHMARK(ShowPath)->Unit(benchmark::kMillisecond);

void KeyEvent(benchmark::State& state)
{
    Overlay overlay;
    overlay.keyboard.Reload();
    overlay.keyboard.Refresh();
    auto& system = overlay.base.system;
    for (auto _ : state) {
        system.SetKeyDown(162, true);
        system.SetKeyDown(BenchCtrl, true);
        overlay.keyboard.OnKeyDown(BenchCtrl);
        state.PauseTiming();
        system.SetKeyDown(162, false);
        system.SetKeyDown(BenchCtrl, false);
        overlay.keyboard.OnKeyUp(BenchCtrl);
        state.ResumeTiming();
    }
}
BENCHMARK(KeyEvent)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
