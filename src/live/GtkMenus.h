#pragma once

#include "live/LiveShortcut.h"

#include <QDBusConnection>

#include <string>
#include <vector>

namespace live {

// The menus a GTK program exports on the session bus (org.gtk.Menus: the interface of GLib's
// gio/gmenuexporter.c): the window names its connection and the object paths in the X11
// properties _GTK_UNIQUE_BUS_NAME, _GTK_MENUBAR_OBJECT_PATH and _GTK_APP_MENU_OBJECT_PATH.
// The items with an "accel" attribute, in menu order, each with the labels of the menus down to
// it. Gives up with what it has when a call does not answer within the budget's time; every
// subscription it made is ended.
std::vector<LiveShortcut> ReadGtkMenus(const QDBusConnection& bus, const std::string& busName,
                                       const std::string& objectPath, ReadBudget& budget);

} // namespace live
