// Importing a large pack into the base and saving it: the time grows with the pack's size, not
// with its square (2,000, 8,000 and 20,000 programs); and the running copy's event loop while it
// imports.
#include "BenchBase.h"

#include "database/DataSetLoader.h"
#include "packs/PackImport.h"
#include "shell/MainForm.h"
#include "shell/PackCommands.h"
#include "util/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>

namespace {

// An export of programs, each with three shortcuts of its own executable.
std::string WritePack(const QTemporaryDir& dir, int programs)
{
    const std::string path = dir.filePath("pack.json").toStdString();
    std::ofstream pack(path);
    pack << R"({ "format": 1, "programs": [)";
    for (int i = 0; i < programs; ++i) {
        const std::string name = "prog" + std::to_string(i);
        pack
            << (i ? "," : "") << R"({ "name": ")" << name << R"(", "executables": ["/usr/bin/)"
            << name << R"("], "shortcuts": [)"
            << R"({ "keys": "Ctrl+S", "name": "Save", "description": "Save the file", "scope": "active" },)"
            << R"({ "keys": "Ctrl+Shift+S", "name": "Save as", "description": "Save under another name", "scope": "active" },)"
            << R"({ "keys": "F1", "name": "Help", "description": "Show the help", "scope": "global" }]})";
    }
    pack << "]}";
    return path;
}

// Read, merged and saved, as `quorvel --import` does without a running copy.
// Times import(registry) followed by a save, each time into an empty base in a fresh folder.
template <typename Import>
void TimeIntoEmptyBase(benchmark::State& state, const QTemporaryDir& dir, Import import)
{
    for (auto _ : state) {
        state.PauseTiming();
        QDir(dir.filePath("zint")).removeRecursively();
        CDBRegistry registry;
        registry.GetLoader()->Load();
        state.ResumeTiming();
        const ImportReport report = import(registry);
        registry.GetLoader()->Save();
        benchmark::DoNotOptimize(report.programsAdded);
    }
}

void ImportPack(benchmark::State& state)
{
    FakeSystem fake;
    QTemporaryDir dir;
    fake.system.specialFolders[platform::SpecialFolderKind::AppData] = dir.path().toStdString();
    const std::string pack = WritePack(dir, static_cast<int>(state.range(0)));
    TimeIntoEmptyBase(state, dir,
                      [&](CDBRegistry& registry) { return ImportFile(registry, pack); });
}
BENCHMARK(ImportPack)->Arg(2000)->Arg(8000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The part of an import the running copy does in its event loop: the file read in a worker is
// merged and the base saved.
void MergeAndSavePack(benchmark::State& state)
{
    FakeSystem fake;
    QTemporaryDir dir;
    fake.system.specialFolders[platform::SpecialFolderKind::AppData] = dir.path().toStdString();
    const PackFile file = ReadPackFile(WritePack(dir, static_cast<int>(state.range(0))));
    TimeIntoEmptyBase(state, dir,
                      [&](CDBRegistry& registry) { return MergePackFile(registry, file); });
}
BENCHMARK(MergeAndSavePack)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The merge alone, without the save.
void MergePack(benchmark::State& state)
{
    FakeSystem fake;
    QTemporaryDir dir;
    fake.system.specialFolders[platform::SpecialFolderKind::AppData] = dir.path().toStdString();
    const PackFile file = ReadPackFile(WritePack(dir, static_cast<int>(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        CDBRegistry registry;
        state.ResumeTiming();
        benchmark::DoNotOptimize(MergePackFile(registry, file).programsAdded);
    }
}
BENCHMARK(MergePack)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// A file handed to the running copy, as `quorvel --import` does while Quorvel runs: the time until
// the copy answers, and the longest its event loop was held up meanwhile (longest_stall_ms, to be
// at most 100). A timer due every millisecond sees each stall as the gap between two of its runs.
void ImportIntoRunningCopy(benchmark::State& state)
{
    FakeSystem fake;
    // The keyboard's files lie beside the program.
    fake.system.executablePath = QUORVEL_BUILD_DIR "/quorvel";
    QTemporaryDir dir;
    fake.system.specialFolders[platform::SpecialFolderKind::AppData] =
        dir.filePath("data").toStdString();
    fake.system.specialFolders[platform::SpecialFolderKind::Config] =
        dir.filePath("config").toStdString();
    SetMessageBoxHandler(
        [](const std::string&, const MessageBoxOptions&) { return MessageButton::OK; });
    const std::string pack = WritePack(dir, static_cast<int>(state.range(0)));
    qint64 longestStallNs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(dir.filePath("data")).removeRecursively();
        TMainForm form(fake.system);
        if (!form.IsFirstInstance()) {
            state.SkipWithError("the running copy did not start");
            break;
        }
        std::optional<ImportOutcome> outcome;
        QElapsedTimer sinceLastRun;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestStallNs = std::max(longestStallNs, sinceLastRun.nsecsElapsed() - 1000000);
            sinceLastRun.restart();
        });
        state.ResumeTiming();
        sinceLastRun.start();
        tick.start();
        fake.system.listeners[TMainForm::MessageChannel](
            ImportRequest(pack),
            [&](const std::string& answer) { outcome = ReadImportAnswer(answer); });
        while (!outcome) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        tick.stop();
        state.PauseTiming();
        if (!outcome->succeeded) {
            state.SkipWithError(outcome->text.c_str());
            break;
        }
        state.ResumeTiming();
    }
    SetMessageBoxHandler(nullptr);
    state.counters["longest_stall_ms"] = static_cast<double>(longestStallNs) / 1e6;
}
BENCHMARK(ImportIntoRunningCopy)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
