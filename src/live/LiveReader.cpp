#include "live/LiveReader.h"

#include "live/AtspiMenus.h"
#include "live/GtkMenus.h"
#include "live/Log.h"
#include "live/ResourceFiles.h"
#include "live/ShortcutsUi.h"

#include <QDBusConnection>
#include <QMetaObject>

#include <utility>

namespace live {
namespace {

constexpr auto BusConnectionName = "quorvel-live";
constexpr auto AccessibilityConnectionName = "quorvel-live-accessibility";

std::string FileName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

ReadResult ReadProgram(const QDBusConnection& bus, const QDBusConnection& accessibilityBus,
                       const LiveTarget& target, ReadBudget& budget)
{
    const auto start = std::chrono::steady_clock::now();
    ReadResult result;
    for (const std::string& path : target.menuPaths) {
        std::vector<LiveShortcut> found = ReadGtkMenus(bus, target.busName, path, budget);
        result.fromMenus += static_cast<int>(found.size());
        result.shortcuts.insert(result.shortcuts.end(), found.begin(), found.end());
    }
    const std::string domain = FileName(target.program.executable);
    for (const std::string& file :
         target.program.executable.empty()
             ? std::vector<std::string>()
             : ProgramFiles(target.program.processId, target.program.executable)) {
        for (const ResourceFile& window : FindShortcutWindows(file, budget)) {
            std::vector<LiveShortcut> found = ReadShortcutsUi(window.data, domain);
            result.fromShortcutsWindows += static_cast<int>(found.size());
            result.shortcuts.insert(result.shortcuts.end(), found.begin(), found.end());
        }
    }
    if (result.fromMenus == 0) {
        std::vector<LiveShortcut> found =
            ReadAccessibleMenus(accessibilityBus, target.program.processId, budget);
        result.fromAccessibleMenus = static_cast<int>(found.size());
        result.shortcuts.insert(result.shortcuts.end(), found.begin(), found.end());
    }
    result.complete = !budget.Spent();
    result.time = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    return result;
}

LiveReader::LiveReader(std::string cacheFolder, OnRead onRead)
    : cache_(std::move(cacheFolder)), onRead_(std::move(onRead)), worker_(new QObject)
{
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

LiveReader::~LiveReader()
{
    Cancel();
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(BusConnectionName);
    QDBusConnection::disconnectFromBus(AccessibilityConnectionName);
}

void LiveReader::Cancel()
{
    if (latest_) {
        *latest_ = true;
    }
}

void LiveReader::Read(LiveTarget target)
{
    Cancel();
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    latest_ = cancelled;
    QMetaObject::invokeMethod(
        worker_,
        [this, target = std::move(target), cancelled] {
            if (!*cancelled) {
                Run(target, *cancelled);
            }
        },
        Qt::QueuedConnection);
}

void LiveReader::Run(const LiveTarget& target, const std::atomic<bool>& cancelled)
{
    const std::vector<LiveShortcut> cached = cache_.Load(target.program);
    Deliver(target.program, cached);
    const std::string file = cache_.FileOf(target.program);
    const auto now = std::chrono::steady_clock::now();
    if (const auto last = lastRead_.find(file);
        last != lastRead_.end() && now - last->second < RereadAfter) {
        return;
    }
    const QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, BusConnectionName);
    ReadBudget budget(&cancelled);
    QDBusConnection accessibilityBus(AccessibilityConnectionName);
    if (!accessibilityBus.isConnected()) {
        accessibilityBus = ConnectAccessibilityBus(bus, AccessibilityConnectionName, budget);
    }
    const ReadResult result = ReadProgram(bus, accessibilityBus, target, budget);
    qCInfo(lcLive,
           "%s: %d shortcuts from menus, %d from shortcuts windows, %d from accessible menus in "
           "%lld ms%s",
           FileName(target.program.executable).c_str(), result.fromMenus,
           result.fromShortcutsWindows, result.fromAccessibleMenus,
           static_cast<long long>(result.time.count() / 1000),
           result.complete ? "" : " (given up)");
    if (result.complete) {
        lastRead_[file] = now;
    }
    const std::vector<LiveShortcut> all = cache_.Merge(target.program, result.shortcuts);
    if (all != cached) {
        Deliver(target.program, all);
    }
}

void LiveReader::Deliver(const LiveProgram& program, const std::vector<LiveShortcut>& shortcuts)
{
    QMetaObject::invokeMethod(
        this, [this, program, shortcuts] { onRead_(program, shortcuts); }, Qt::QueuedConnection);
}

} // namespace live
