// The overlay's work on the show path (reload the processes, the shortcut set and the keyboard,
// then lay the actions on the keys) and for one key event, offscreen.
#include "BenchBase.h"

#include "database/ShortCutSetLoader.h"
#include "keyboard/KeyLayoutLoader.h"
#include "shell/Keyboard.h"

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
        window.resize(1566, 631);
        window.show();
    }

    // First: the controller needs the base's fake time and platform (300 fake processes).
    Base& base = TheBase();
    CShortCutSetLoader loader{base.system, base.registry};
    CKeyLayoutLoader keyLoader{base.system};
    QWidget window;
    QLabel label{&window};
    CKeyboard keyboard{base.system, loader, keyLoader, *base.activeWindow, &window, &label, 0.0};
};

// A show with the base unchanged since the last one.
void ShowPath(benchmark::State& state)
{
    Overlay overlay;
    for (auto _ : state) {
        overlay.keyboard.Reload(1.0);
        overlay.keyboard.Refresh();
    }
}
BENCHMARK(ShowPath)->Unit(benchmark::kMillisecond);

// A show after the base changed: the shortcut set is built again.
void ShowPathAfterAChange(benchmark::State& state)
{
    Overlay overlay;
    overlay.keyboard.Reload(1.0);
    for (auto _ : state) {
        state.PauseTiming();
        overlay.base.Touch();
        state.ResumeTiming();
        overlay.keyboard.Reload(1.0);
        overlay.keyboard.Refresh();
    }
}
BENCHMARK(ShowPathAfterAChange)->Unit(benchmark::kMillisecond);

// Painting the whole overlay once, as after it is mapped.
void Paint(benchmark::State& state)
{
    Overlay overlay;
    overlay.keyboard.Reload(0.8);
    overlay.keyboard.Refresh();
    for (auto _ : state) {
        benchmark::DoNotOptimize(overlay.window.grab());
    }
}
BENCHMARK(Paint)->Unit(benchmark::kMillisecond);

void KeyEvent(benchmark::State& state)
{
    Overlay overlay;
    overlay.keyboard.Reload(1.0);
    overlay.keyboard.Refresh();
    for (auto _ : state) {
        overlay.keyboard.OnKeyDown(BenchCtrl, 162);
        state.PauseTiming();
        overlay.keyboard.OnKeyUp(BenchCtrl, 162);
        state.ResumeTiming();
    }
}
BENCHMARK(KeyEvent)->Unit(benchmark::kMicrosecond);

} // namespace
