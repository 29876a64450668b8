#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A bus daemon of the test's own, and a connection to it. It starts no service the machine
// installs (a session bus would start the accessibility bus launcher, which writes the user's
// settings): what a test needs on it, the test starts.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString config = folder_.filePath("bus.conf");
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(
                "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        }
        file.close();
        daemon_.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address"});
        if (daemon_.waitForReadyRead(10000)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus("live-test");
        daemon_.kill();
        daemon_.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QDBusConnection Connection() const
    {
        return QDBusConnection::connectToBus(address_, "live-test");
    }
    const QString& Address() const { return address_; }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
};
