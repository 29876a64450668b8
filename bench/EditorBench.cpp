// The shortcut editor over a base of 1,000 programs with 10 shortcuts each: filtering the tree as
// the user types (each keystroke refilters, then the filter is cleared again), and building the
// editor with its tree.
#include "editor/DBEditor.h"
#include "editor/DBTreeView.h"

#include "BenchBase.h"

#include <QLineEdit>

#include <benchmark/benchmark.h>

namespace {

TfrmDBEditor& TheEditor()
{
    static TfrmDBEditor editor(TheBase().system, TheBase().registry, *TheBase().activeWindow);
    static bool shown = [] {
        editor.show();
        return true;
    }();
    (void)shown;
    return editor;
}

// One keystroke of a search, from the first letter to the whole word; a search matching few
// nodes and one matching most are both measured.
void FilterKeystroke(benchmark::State& state, const QString& word)
{
    TfrmDBEditor& editor = TheEditor();
    int length = 0;
    for (auto _ : state) {
        length = length % word.size() + 1;
        editor.edtFind->setText(word.left(length));
        if (length == word.size()) {
            state.PauseTiming();
            editor.edtFind->clear();
            state.ResumeTiming();
        }
    }
    editor.edtFind->clear();
}

void BM_FilterKeystrokeFew(benchmark::State& state)
{
    FilterKeystroke(state, QStringLiteral("prog512"));
}
BENCHMARK(BM_FilterKeystrokeFew)->Unit(benchmark::kMillisecond);

void BM_FilterKeystrokeMany(benchmark::State& state)
{
    FilterKeystroke(state, QStringLiteral("action"));
}
BENCHMARK(BM_FilterKeystrokeMany)->Unit(benchmark::kMillisecond);

void BM_BuildEditor(benchmark::State& state)
{
    for (auto _ : state) {
        TfrmDBEditor editor(TheBase().system, TheBase().registry, *TheBase().activeWindow);
        benchmark::DoNotOptimize(editor.TreeView->topLevelItemCount());
    }
}
BENCHMARK(BM_BuildEditor)->Unit(benchmark::kMillisecond);

} // namespace
