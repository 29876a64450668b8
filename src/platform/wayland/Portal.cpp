#include "platform/wayland/Portal.h"

#include "platform/linux/Log.h"

#include <QDBusObjectPath>
#include <QDBusVariant>

namespace platform::wayland::portal {

QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, interface, method);
    call.setArguments(arguments);
    return call;
}

QString RequestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return Path + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

QString SessionHandleOf(const QVariantMap& results)
{
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    if (handle.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        return handle.value<QDBusObjectPath>().path();
    }
    return handle.toString();
}

void RegisterApplication(const QDBusConnection& bus, const QString& appId)
{
    if (!bus.isConnected()) {
        return;
    }
    const QDBusMessage answer =
        bus.call(Call(QStringLiteral("org.freedesktop.host.portal.Registry"),
                      QStringLiteral("Register"), {appId, QVariantMap()}),
                 QDBus::Block, AnswerTimeoutMs);
    static const QStringList absent = {
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")};
    if (answer.type() == QDBusMessage::ErrorMessage && !absent.contains(answer.errorName())) {
        qCWarning(lcPlatform) << "the portal does not register" << appId << answer.errorMessage();
    }
}

std::optional<uint> NumberProperty(const QDBusConnection& bus, const QString& interface,
                                   const QString& name)
{
    const QDBusMessage reply = bus.call(Call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                             QStringLiteral("Get"), {interface, name}),
                                        QDBus::Block, AnswerTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<uint>()) {
        return std::nullopt;
    }
    return value.toUInt();
}

} // namespace platform::wayland::portal
