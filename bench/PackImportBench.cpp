// Importing a large pack into the base and saving it: the time grows with the pack's size, not
// with its square (2,000, 8,000 and 20,000 programs).
#include "BenchBase.h"

#include "database/DataSetLoader.h"
#include "database/PackImport.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
void ImportPack(benchmark::State& state)
{
    FakeSystem fake;
    QTemporaryDir dir;
    fake.system.specialFolders[platform::SpecialFolderKind::AppData] = dir.path().toStdString();
    const std::string pack = WritePack(dir, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        QDir(dir.filePath("zint")).removeRecursively();
        CDBRegistry registry;
        registry.GetLoader()->Load();
        state.ResumeTiming();
        const ImportReport report = ImportFile(registry, pack);
        registry.GetLoader()->Save();
        benchmark::DoNotOptimize(report.programsAdded);
    }
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
    for (auto _ : state) {
        state.PauseTiming();
        QDir(dir.filePath("zint")).removeRecursively();
        CDBRegistry registry;
        registry.GetLoader()->Load();
        state.ResumeTiming();
        const ImportReport report = MergePackFile(registry, file);
        registry.GetLoader()->Save();
        benchmark::DoNotOptimize(report.programsAdded);
    }
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

} // namespace
