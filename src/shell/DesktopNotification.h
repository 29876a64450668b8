#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

// A message in the desktop's notifications (org.freedesktop.Notifications), where there is no
// notification area to point a tray message at. Each message replaces the one before; the calls
// never wait for the service.
class CDesktopNotification : public QObject
{
    Q_OBJECT
public:
    CDesktopNotification(QDBusConnection bus, QObject* parent);

    // Shows the text under the program's name for timeoutMs; a click on it (its default action)
    // runs onClick, where one is given.
    void Show(const std::string& text, bool problem, int timeoutMs, std::function<void()> onClick);

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    void Notify(const QString& text, bool problem, int timeoutMs);

    QDBusConnection bus_;
    // What the service can do (asked once): a body may be markup, actions may be offered.
    std::optional<QStringList> capabilities_;
    uint shown_ = 0;
    // The message the answer to the last Notify will number.
    int sent_ = 0;
    std::function<void()> onClick_;
};
