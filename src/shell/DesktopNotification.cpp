#include "shell/DesktopNotification.h"

#include "services/Translation.h"
#include "shell/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <utility>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");
} // namespace

CDesktopNotification::CDesktopNotification(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus))
{
    bus_.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnClosed(uint, uint)));
}

void CDesktopNotification::Show(const std::string& text, bool problem, int timeoutMs,
                                std::function<void()> onClick)
{
    onClick_ = std::move(onClick);
    const QString body = QString::fromStdString(text);
    if (capabilities_) {
        Notify(body, problem, timeoutMs);
        return;
    }
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, body, problem, timeoutMs] {
                watcher->deleteLater();
                const QDBusPendingReply<QStringList> reply = *watcher;
                if (reply.isError()) {
                    qCWarning(lcShell)
                        << "the desktop shows no notifications:" << reply.error().message();
                    return;
                }
                capabilities_ = reply.value();
                Notify(body, problem, timeoutMs);
            });
}

void CDesktopNotification::Notify(const QString& text, bool problem, int timeoutMs)
{
    // Texts of the shortcut base are shown as they are, never as markup.
    const QString body =
        capabilities_->contains(QStringLiteral("body-markup")) ? text.toHtmlEscaped() : text;
    QStringList actions;
    if (onClick_ && capabilities_->contains(QStringLiteral("actions"))) {
        actions << DefaultAction << QString::fromStdString(Translate("Настройки…"));
    }
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("org.quorvel.Quorvel")},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(problem ? 2 : 1))}};
    QDBusMessage notify =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    notify << QStringLiteral("Quorvel") << shown_
           << (problem ? QStringLiteral("dialog-warning") : QStringLiteral("quorvel"))
           << QStringLiteral("Quorvel") << body << actions << hints << timeoutMs;
    const int sent = ++sent_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, sent] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            qCWarning(lcShell) << "the desktop refused a notification:" << reply.error().message();
        } else if (sent == sent_) {
            shown_ = reply.value();
        }
    });
}

void CDesktopNotification::OnActionInvoked(uint id, const QString& action)
{
    if (id == shown_ && id != 0 && action == DefaultAction && onClick_) {
        const auto onClick = onClick_;
        onClick();
    }
}

void CDesktopNotification::OnClosed(uint id, uint)
{
    if (id == shown_) {
        shown_ = 0;
    }
}
