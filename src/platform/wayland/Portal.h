#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// What the XDG desktop portal's interfaces share: the service, its requests and sessions.
namespace platform::wayland::portal {

inline const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString Path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
inline const QString SessionInterface = QStringLiteral("org.freedesktop.portal.Session");
// How long the portal may take to answer a call that asks nobody.
constexpr int AnswerTimeoutMs = 5000;

QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments);
// Where the portal puts the request a call with the token makes: the caller's unique name
// without its colon, dots as underscores.
QString RequestPath(const QDBusConnection& bus, const QString& token);
// A session handle comes as a string from older portals, as an object path from newer ones.
QString SessionHandleOf(const QVariantMap& results);
// Registers the application id with the portal's host registry, which portals since 1.19 know a
// program outside a sandbox by; it must come before any other call of the program's to the
// portal. Older portals have no registry, and a desktop may have no portal at all.
void RegisterApplication(const QDBusConnection& bus, const QString& appId);
// A property of the portal's interface holding a number ("version", a remote desktop's
// "AvailableDeviceTypes"); none where the portal does not offer the interface or the property.
std::optional<uint> NumberProperty(const QDBusConnection& bus, const QString& interface,
                                   const QString& name);

} // namespace platform::wayland::portal
