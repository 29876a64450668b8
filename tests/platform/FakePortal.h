// The desktop portal played on a private session bus, with GlobalShortcuts and RemoteDesktop.
#pragma once

#include "FakeService.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace fake {

struct Shortcut
{
    QString id;
    QVariantMap properties;
};
using ShortcutList = QList<Shortcut>;

inline QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// The portal. Its GlobalShortcuts' CreateSession answers as KDE 5.27 does (the shortcuts of its
// options, bound, in the answer) or as later desktops do (none; BindShortcuts binds them or the
// user refuses); GNOME 48's binds once per session and describes the key in a sentence around
// its accelerator. RemoteDesktop, where offered, starts a keyboard session the user allows or
// refuses, handing out a restore token from version 2, and records the keys it is sent.
class FakePortal : public FakeService
{
public:
    enum class Desktop
    {
        Plasma527,
        Later,
        LaterRefused,
        Failing,
        Gnome48,
        // GNOME before 48: no GlobalShortcuts.
        Gnome47
    };
    enum class Consent
    {
        Granted,
        Refused
    };

    explicit FakePortal(Desktop desktop, uint remoteDesktopVersion = 0,
                        Consent consent = Consent::Granted)
        : FakeService(QStringLiteral("org.freedesktop.portal.Desktop"),
                      QStringLiteral("/org/freedesktop/portal/desktop")),
          desktop_(desktop), remoteDesktopVersion_(remoteDesktopVersion), consent_(consent)
    {
        qDBusRegisterMetaType<Shortcut>();
        qDBusRegisterMetaType<ShortcutList>();
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        const bool remote =
            message.interface() == QLatin1String("org.freedesktop.portal.RemoteDesktop");
        if (member == QLatin1String("Get")) {
            AnswerProperty(message, connection);
        } else if (member == QLatin1String("Register")) {
            Record(QStringLiteral("Register ") + message.arguments().value(0).toString());
            connection.send(message.createReply());
        } else if (member == QLatin1String("Close")) {
            Record(QStringLiteral("Close ") + message.path());
            connection.send(message.createReply());
        } else if (member == QLatin1String("NotifyKeyboardKeycode")) {
            Record(QStringLiteral("key %1 %2 %3")
                       .arg(message.arguments().value(2).toInt())
                       .arg(message.arguments().value(3).toUInt())
                       .arg(message.arguments().value(0).value<QDBusObjectPath>().path()));
            connection.send(message.createReply());
        } else if (!remote && desktop_ == Desktop::Failing) {
            connection.send(message.createErrorReply(QDBusError::AccessDenied, "refused"));
        } else if (remote) {
            AnswerRemoteDesktop(message, connection);
        } else {
            AnswerShortcuts(message, connection);
        }
        return true;
    }
    // The session handle of the last session made.
    QString Session() const
    {
        std::lock_guard lock(sessionMutex_);
        return session_;
    }
    // The desktop ends the session, as GNOME does when the user stops it.
    void CloseSession(const QString& session)
    {
        bus_.send(QDBusMessage::createSignal(
            session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed")));
    }
    // The user gave the shortcut another key in the desktop's settings.
    void ChangeKey(const QString& session, const QString& description)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                       QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                       QStringLiteral("ShortcutsChanged"));
        const ShortcutList changed{{QStringLiteral("show"),
                                    {{QStringLiteral("description"), QStringLiteral("Quorvel")},
                                     {QStringLiteral("trigger_description"), description}}}};
        signal << QVariant::fromValue(QDBusObjectPath(session)) << QVariant::fromValue(changed);
        bus_.send(signal);
    }
    void Activate(const QString& session, const QString& shortcutId)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcutId
               << QVariant::fromValue(qulonglong{1}) << QVariantMap();
        bus_.send(signal);
    }

private:
    void AnswerProperty(const QDBusMessage& message, const QDBusConnection& connection)
    {
        const QString interface = message.arguments().value(0).toString();
        const QString name = message.arguments().value(1).toString();
        uint value = 0;
        if (interface == QLatin1String("org.freedesktop.portal.GlobalShortcuts")) {
            value = desktop_ == Desktop::Gnome47 ? 0 : 1;
        } else if (interface == QLatin1String("org.freedesktop.portal.RemoteDesktop")) {
            value = name == QLatin1String("version") ? remoteDesktopVersion_
                    : remoteDesktopVersion_ != 0     ? 7u
                                                     : 0u;
        }
        connection.send(value == 0
                            ? message.createErrorReply(
                                  QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                                  QStringLiteral("no such property"))
                            : message.createReply(QVariant::fromValue(QDBusVariant(value))));
    }

    // Answers with the request object's path; the Response follows from the caller.
    QString RequestOf(const QDBusMessage& message, const QDBusConnection& connection,
                      QVariantMap* options)
    {
        *options = qdbus_cast<QVariantMap>(message.arguments().constLast().value<QDBusArgument>());
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/") +
                                Sender(message) + QLatin1Char('/') +
                                options->value(QStringLiteral("handle_token")).toString();
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        return request;
    }
    static QString Sender(const QDBusMessage& message)
    {
        return message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    }
    void NewSession(const QDBusMessage& message, const QString& token)
    {
        std::lock_guard lock(sessionMutex_);
        session_ = QStringLiteral("/org/freedesktop/portal/desktop/session/") + Sender(message) +
                   QLatin1Char('/') + token;
    }
    void Respond(const QDBusConnection& connection, const QString& request, uint response,
                 const QVariantMap& results)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        connection.send(signal);
    }

    void AnswerShortcuts(const QDBusMessage& message, const QDBusConnection& connection)
    {
        QVariantMap options;
        const QString request = RequestOf(message, connection, &options);
        uint response = 0;
        QVariantMap results;
        const bool gnome = desktop_ == Desktop::Gnome48;
        const ShortcutList bound{
            {QStringLiteral("show"),
             {{QStringLiteral("description"), QStringLiteral("Quorvel")},
              {QStringLiteral("trigger_description"),
               gnome ? QStringLiteral("Press <Control><Alt>q") : QStringLiteral("Meta+Q")}}}};
        if (message.member() == QLatin1String("CreateSession")) {
            const auto asked = qdbus_cast<ShortcutList>(
                options.value(QStringLiteral("shortcuts")).value<QDBusArgument>());
            Record(QStringLiteral("CreateSession ") +
                   options.value(QStringLiteral("session_handle_token")).toString() + ' ' +
                   (asked.isEmpty() ? QString()
                                    : asked[0].id + ' ' +
                                          asked[0]
                                              .properties.value(QStringLiteral("preferred_trigger"))
                                              .toString()));
            NewSession(message, QStringLiteral("quorvel"));
            results[QStringLiteral("session_handle")] = Session();
            boundInSession_ = false;
            if (desktop_ == Desktop::Plasma527) {
                results[QStringLiteral("shortcuts")] = QVariant::fromValue(bound);
            }
        } else if (message.member() == QLatin1String("BindShortcuts")) {
            Record(QStringLiteral("BindShortcuts ") +
                   message.arguments().value(0).value<QDBusObjectPath>().path());
            response = desktop_ == Desktop::LaterRefused || (gnome && boundInSession_) ? 1 : 0;
            if (gnome && response == 0) {
                // GNOME answers with the shortcuts the user accepted in its dialog.
                results[QStringLiteral("shortcuts")] = QVariant::fromValue(bound);
                boundInSession_ = true;
            }
        } else if (message.member() == QLatin1String("ListShortcuts")) {
            Record(QStringLiteral("ListShortcuts"));
            results[QStringLiteral("shortcuts")] = QVariant::fromValue(bound);
        }
        Respond(connection, request, response, results);
    }

    void AnswerRemoteDesktop(const QDBusMessage& message, const QDBusConnection& connection)
    {
        QVariantMap options;
        const QString request = RequestOf(message, connection, &options);
        uint response = 0;
        QVariantMap results;
        const QString member = message.member();
        if (member == QLatin1String("CreateSession")) {
            NewSession(message, options.value(QStringLiteral("session_handle_token")).toString());
            Record(QStringLiteral("RemoteDesktop.CreateSession"));
            results[QStringLiteral("session_handle")] = Session();
        } else if (member == QLatin1String("SelectDevices")) {
            QStringList asked{QStringLiteral("SelectDevices")};
            for (const char* key : {"types", "persist_mode", "restore_token"}) {
                if (options.contains(QLatin1String(key))) {
                    asked.append(QLatin1String(key) + QLatin1Char('=') +
                                 options.value(QLatin1String(key)).toString());
                }
            }
            Record(asked.join(QLatin1Char(' ')));
        } else if (member == QLatin1String("Start")) {
            Record(QStringLiteral("Start ") +
                   message.arguments().value(0).value<QDBusObjectPath>().path());
            response = consent_ == Consent::Granted ? 0 : 1;
            if (response == 0) {
                results[QStringLiteral("devices")] = 1u;
                if (remoteDesktopVersion_ >= 2) {
                    results[QStringLiteral("restore_token")] =
                        QStringLiteral("token-%1").arg(++tokens_);
                }
            }
        }
        Respond(connection, request, response, results);
    }

    Desktop desktop_;
    uint remoteDesktopVersion_;
    Consent consent_;
    bool boundInSession_ = false;
    int tokens_ = 0;
    mutable std::mutex sessionMutex_;
    QString session_;
};

} // namespace fake
