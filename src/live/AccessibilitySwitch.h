#pragma once

#include <optional>

class QDBusConnection;

namespace live {

// Accessibility for every program of the session: the org.a11y.Status IsEnabled property of
// org.a11y.Bus at /org/a11y/bus on the session bus. at-spi2-core's bus launcher
// (bus/at-spi-bus-launcher.c, handle_set_property and handle_a11y_enabled_change) keeps it in
// GNOME's org.gnome.desktop.interface toolkit-accessibility setting where that schema is
// installed, so it outlasts the session; Qt 6 reads it once when an application starts
// (qtbase src/gui/accessible/linux/dbusconnection.cpp, DBusConnection::serviceRegistered), while
// GTK 3 applications are on the accessibility bus whatever it says.
// nullopt when the bus launcher does not answer (asking starts it where D-Bus can).
std::optional<bool> AccessibilityEnabled(const QDBusConnection& session);
bool SetAccessibilityEnabled(const QDBusConnection& session, bool enabled);

// Brings accessibility to what the user wants of live reading: switched on when wanted and off,
// switched off again when no longer wanted only if Quorvel switched it on; a user's own
// accessibility is never switched off. Takes and returns whether Quorvel switched it on (to be
// remembered across runs).
bool ApplyAccessibilityChoice(const QDBusConnection& session, bool wanted, bool switchedOn);

} // namespace live
