#pragma once

#include "live/LiveCache.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QDBusConnection;

namespace live {

// A program to read and where it tells its shortcuts.
struct LiveTarget
{
    LiveProgram program;
    // Its menu export (Platform::GetWindowMenuExport).
    std::string busName;
    std::vector<std::string> menuPaths;
};

// What a read of one program found, source by source, and how long it took.
struct ReadResult
{
    std::vector<LiveShortcut> shortcuts;
    int fromMenus = 0;
    int fromShortcutsWindows = 0;
    int fromAccessibleMenus = 0;
    std::chrono::microseconds time{0};
    bool complete = true; // false when the budget ran out or the read was cancelled
};

// Reads the sources of one program, cheapest first: its menu export, the shortcuts windows built
// into its files (titles translated in the gettext domain named after its executable), then, when
// it exports no menus, its menus on the accessibility bus (not connected: not read).
ReadResult ReadProgram(const QDBusConnection& bus, const QDBusConnection& accessibilityBus,
                       const LiveTarget& target, ReadBudget& budget);

// Reads the foreground program's shortcuts on a thread of its own with a bus connection of its
// own, into the cache, and hands what the cache then holds for the program to onRead on the
// thread that made the reader: at once what an earlier read left, then the union with the new
// read. A new request cancels the read under way; a program read less than RereadAfter ago is
// only looked up.
class LiveReader : public QObject
{
public:
    using OnRead = std::function<void(const LiveProgram&, const std::vector<LiveShortcut>&)>;
    static constexpr std::chrono::seconds RereadAfter{30};

    LiveReader(std::string cacheFolder, OnRead onRead);
    ~LiveReader() override;
    LiveReader(const LiveReader&) = delete;
    LiveReader& operator=(const LiveReader&) = delete;

    void Read(LiveTarget target);
    // Cancels the read under way and any asked for before.
    void Cancel();

private:
    // On the reading thread.
    void Run(const LiveTarget& target, const std::atomic<bool>& cancelled);
    void Deliver(const LiveProgram& program, const std::vector<LiveShortcut>& shortcuts);

    LiveCache cache_;
    OnRead onRead_;
    QThread thread_;
    QObject* worker_;
    // The cancel flag of the latest request; set by the next one.
    std::shared_ptr<std::atomic<bool>> latest_;
    // When each cache file was last read into, on the reading thread.
    std::map<std::string, std::chrono::steady_clock::time_point> lastRead_;
};

} // namespace live
