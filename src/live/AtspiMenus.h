#pragma once

#include "live/LiveShortcut.h"

#include <QDBusConnection>

#include <cstdint>
#include <string>
#include <vector>

namespace live {

// The connection to the accessibility bus (org.a11y.Bus's address on the session bus), named
// connectionName; not connected when that bus does not run. Asking never starts it, and never
// switches accessibility on for programs that have it off.
QDBusConnection ConnectAccessibilityBus(const QDBusConnection& session,
                                        const QString& connectionName, ReadBudget& budget);

// The menu items with a shortcut of the program of one process as it shows them on the
// accessibility bus (org.a11y.atspi: its application's frames, menu bars and menus, each item's
// Action GetKeyBinding), with the menus down to each, in menu order. Disabled items count; only
// containers that hold menus are walked, so a document's contents are never read.
std::vector<LiveShortcut> ReadAccessibleMenus(const QDBusConnection& accessibilityBus,
                                              std::uint32_t processId, ReadBudget& budget);

} // namespace live
