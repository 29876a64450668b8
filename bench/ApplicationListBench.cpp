// Refreshing the select-program dialog's lists: 50 application windows with 16x16 icons, and 300
// desktop entries whose programs lie on PATH.
#include "services/ActiveWindow.h"
#include "editor/ApplicationList.h"

#include "FakePlatform.h"
#include "FakeTimerService.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int WindowCount = 50;
constexpr int EntryCount = 300;

struct Desktop
{
    Desktop()
    {
        system.InstallAsCurrent();
        system.specialFolders[platform::SpecialFolderKind::AppData] = data.path().toStdString();
        environment.Set("XDG_DATA_DIRS", data.filePath("none").toStdString());
        environment.Set("PATH", data.filePath("bin").toStdString());
        QDir().mkpath(data.filePath("bin"));
        QDir().mkpath(data.filePath("applications"));
        for (int i = 0; i < EntryCount; ++i) {
            const QString name = QStringLiteral("program%1").arg(i);
            QFile program(data.filePath("bin/" + name));
            program.open(QIODevice::WriteOnly);
            program.setPermissions(program.permissions() | QFile::ExeOwner);
            QFile entry(data.filePath("applications/" + name + ".desktop"));
            entry.open(QIODevice::WriteOnly);
            entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Program %1\n"
                                       "Exec=%2 %U\nIcon=%2\n")
                            .arg(i)
                            .arg(name)
                            .toUtf8());
        }
        for (int i = 0; i < WindowCount; ++i) {
            const auto id = static_cast<platform::WindowId>(100 + i);
            const auto pid = static_cast<std::uint32_t>(1000 + i);
            system.processes.emplace_back(pid, "/usr/bin/program" + std::to_string(i));
            auto& window = system.windows[id];
            window.processId = pid;
            window.title = "Window " + std::to_string(i);
            window.icon = {16, 16, std::vector<std::uint32_t>(256, 0xFF336699)};
            system.stacking.push_back(id);
        }
    }

    platform::FakePlatform system;
    FakeTimerService timers;
    QTemporaryDir data;
    ScopedEnvironment environment;
};

void RefreshBothLists(benchmark::State& state)
{
    Desktop desktop;
    CActiveWindow tracker(desktop.system);
    TRunningApplicationList running(desktop.system, tracker);
    TInstalledApplicationList installed;
    for (auto _ : state) {
        running.Refresh();
        installed.Refresh();
    }
}
BENCHMARK(RefreshBothLists)->Unit(benchmark::kMillisecond);

} // namespace
