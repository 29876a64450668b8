#pragma once

#include "live/Accelerator.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class QDBusConnection;
class QDBusMessage;

namespace live {

// Where a running program tells a shortcut.
enum class LiveSource : std::uint8_t
{
    Menu,            // its menus: GTK's menu export, or its accessible menu items
    ShortcutsWindow, // the shortcuts window built into its files
};

// One shortcut a running program tells, as it writes it: the text is read into keys only when
// shown, on the layout then in effect.
struct LiveShortcut
{
    std::string accelerator;
    AccelSyntax syntax = AccelSyntax::Gtk;
    // The menus down to the item ("File", "Save"), or the shortcuts window's group and title;
    // translated, mnemonics dropped.
    std::vector<std::string> path;
    LiveSource source = LiveSource::Menu;

    bool operator==(const LiveShortcut&) const = default;
};

// How much one read may take: a number of nodes (menu items, accessible objects), a time, and
// a flag another thread sets to cancel it.
class ReadBudget
{
public:
    static constexpr int DefaultNodes = 4000;
    static constexpr std::chrono::milliseconds DefaultTime{1500};

    explicit ReadBudget(const std::atomic<bool>* cancelled = nullptr, int nodes = DefaultNodes,
                        std::chrono::milliseconds time = DefaultTime);

    // Counts nodes read; false once the budget is spent, the time is up or the read cancelled.
    bool Take(int nodes = 1);
    bool Spent() const;
    // What is left of the time, at least 1 ms while anything is.
    int RemainingMs() const;
    // Ends the read as if its time were up.
    void Spend() { spent_ = true; }

private:
    const std::atomic<bool>* cancelled_;
    int nodesLeft_;
    std::chrono::steady_clock::time_point deadline_;
    bool spent_ = false;
};

// A blocking call that waits at most what is left of the budget. A call left unanswered spends
// the budget: the toolkit's timer may end the wait a little before the deadline, and the read
// must still count as given up.
QDBusMessage CallWithin(const QDBusConnection& bus, const QDBusMessage& call, ReadBudget& budget);

} // namespace live
