// Reads one running program's live shortcuts as the overlay's reader does and says what each
// source gave and how long it took: the first (cold) read, then the median of warm reads, wall
// time and the reading thread's CPU time. Usage:
//   live_read_bench [--list] PID EXECUTABLE [BUS_NAME MENU_PATH...]
// (the menu export as the window's _GTK_UNIQUE_BUS_NAME and _GTK_*_OBJECT_PATH properties give it).
#include "live/AtspiMenus.h"
#include "live/LiveReader.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Timed
{
    live::ReadResult result;
    double cpuMs;
};

Timed ReadOnce(const QDBusConnection& bus, const QDBusConnection& accessibilityBus,
               const live::LiveTarget& target)
{
    live::ReadBudget budget;
    const double before = ThreadCpuMs();
    live::ReadResult result = live::ReadProgram(bus, accessibilityBus, target, budget);
    return {std::move(result), ThreadCpuMs() - before};
}

void Print(const char* what, const Timed& read)
{
    std::printf("%s: %zu shortcuts (%d from menus, %d from shortcuts windows, %d from accessible "
                "menus)%s, %.1f ms wall, %.1f ms CPU\n",
                what, read.result.shortcuts.size(), read.result.fromMenus,
                read.result.fromShortcutsWindows, read.result.fromAccessibleMenus,
                read.result.complete ? "" : " given up",
                static_cast<double>(read.result.time.count()) / 1000.0, read.cpuMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool list = !args.empty() && args.front() == "--list";
    if (list) {
        args.erase(args.begin());
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: live_read_bench [--list] PID EXECUTABLE [BUS_NAME PATH...]\n");
        return 2;
    }
    live::LiveTarget target;
    target.program.processId =
        static_cast<std::uint32_t>(std::strtoul(args[0].c_str(), nullptr, 10));
    target.program.executable = args[1];
    if (args.size() > 2) {
        target.busName = args[2];
        target.menuPaths.assign(args.begin() + 3, args.end());
    }
    const QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "live-read-bench");
    live::ReadBudget connecting;
    const QDBusConnection accessibilityBus =
        live::ConnectAccessibilityBus(bus, "live-read-bench-accessibility", connecting);
    const Timed cold = ReadOnce(bus, accessibilityBus, target);
    Print("cold", cold);
    std::vector<Timed> warm;
    for (int i = 0; i < 5; ++i) {
        warm.push_back(ReadOnce(bus, accessibilityBus, target));
    }
    std::sort(warm.begin(), warm.end(),
              [](const Timed& a, const Timed& b) { return a.result.time < b.result.time; });
    Print("warm (median of 5)", warm[warm.size() / 2]);
    for (const live::LiveShortcut& shortcut :
         list ? cold.result.shortcuts : std::vector<live::LiveShortcut>()) {
        std::string path;
        for (const std::string& part : shortcut.path) {
            path += (path.empty() ? "" : " > ") + part;
        }
        std::printf("  %-28s %s\n", shortcut.accelerator.c_str(), path.c_str());
    }
    return 0;
}
