#include "live/AccessibilitySwitch.h"

#include "live/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace live {
namespace {

constexpr auto BusService = "org.a11y.Bus";
constexpr auto BusPath = "/org/a11y/bus";
constexpr auto StatusInterface = "org.a11y.Status";
constexpr auto EnabledProperty = "IsEnabled";
constexpr auto PropertiesInterface = "org.freedesktop.DBus.Properties";
// The launcher answers at once; it may have to be started first.
constexpr int CallTimeoutMs = 5000;

} // namespace

std::optional<bool> AccessibilityEnabled(const QDBusConnection& session)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(BusService, BusPath, PropertiesInterface, "Get");
    call << QString(StatusInterface) << QString(EnabledProperty);
    const QDBusMessage reply = session.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    const QVariant value = reply.arguments().front().value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::Bool) {
        return std::nullopt;
    }
    return value.toBool();
}

bool SetAccessibilityEnabled(const QDBusConnection& session, bool enabled)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(BusService, BusPath, PropertiesInterface, "Set");
    call << QString(StatusInterface) << QString(EnabledProperty)
         << QVariant::fromValue(QDBusVariant(enabled));
    const QDBusMessage reply = session.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcLive) << "accessibility could not be switched" << (enabled ? "on:" : "off:")
                          << reply.errorMessage();
        return false;
    }
    return true;
}

bool ApplyAccessibilityChoice(const QDBusConnection& session, bool wanted, bool switchedOn)
{
    if (wanted == switchedOn) {
        return switchedOn;
    }
    if (!wanted) {
        // Left on when it cannot be switched off: tried again next time.
        return !SetAccessibilityEnabled(session, false);
    }
    const std::optional<bool> enabled = AccessibilityEnabled(session);
    if (!enabled) {
        qCWarning(lcLive) << "accessibility cannot be switched on: no accessibility bus launcher";
        return false;
    }
    // On already: the user's, left alone.
    return !*enabled && SetAccessibilityEnabled(session, true);
}

} // namespace live
