// A D-Bus service played on a private session bus (the tests run under dbus-run-session with
// tests/support/session-bus.conf): its calls answered on a connection and a thread of its own.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <mutex>

namespace fake {

// Runs the event loop until the condition holds, for at most the time given.
template <typename Condition> bool Eventually(Condition condition, int timeoutMs = 2000)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition() && waited.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

// A D-Bus service on a connection of its own, its objects answered on a thread of its own.
class FakeService : public QDBusVirtualObject
{
public:
    FakeService(const QString& name, const QString& path)
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)), path_(path)
    {
        EXPECT_TRUE(bus_.registerVirtualObject(path, this, QDBusConnection::SubPath));
        moveToThread(&thread_);
        thread_.start();
        EXPECT_TRUE(bus_.registerService(name));
        name_ = name;
    }
    ~FakeService() override
    {
        bus_.unregisterService(name_);
        bus_.unregisterObject(path_);
        QDBusConnection::disconnectFromBus(name_);
        thread_.quit();
        thread_.wait();
    }
    QString introspect(const QString&) const override { return {}; }
    // The calls answered, as "member argument...".
    QStringList Calls()
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

protected:
    void Record(const QString& call)
    {
        std::lock_guard lock(mutex_);
        calls_.append(call);
    }
    QDBusConnection bus_;

private:
    QString path_;
    QString name_;
    QThread thread_;
    std::mutex mutex_;
    QStringList calls_;
};

} // namespace fake
