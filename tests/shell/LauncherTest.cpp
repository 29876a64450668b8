// The executable as a key binding runs it: "quorvel --show" hands the show request, with the
// launch's activation token, to the running copy without loading the program; anything else loads
// the program that lies beside it.
#include "shell/InstanceRequests.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Launcher : public ::testing::Test
{
protected:
    // Runs the executable with the arguments; its exit code, its error output in errors.
    int Run(const QString& executable, const QStringList& arguments, QString* errors = nullptr)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("token-17"));
        process.setProcessEnvironment(environment);
        process.start(executable, arguments);
        // The listening copy's event loop runs while the later copy talks to it.
        while (!process.waitForFinished(20)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (process.state() == QProcess::NotRunning) {
                break;
            }
        }
        if (errors) {
            *errors = QString::fromLocal8Bit(process.readAllStandardError());
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // The executable copied alone into a folder of its own, without the program beside it.
    QString Alone()
    {
        const QString copy = alone_.filePath(QStringLiteral("quorvel"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(QUORVEL_EXECUTABLE), copy));
        return copy;
    }

    QTemporaryDir runtime_;
    QTemporaryDir alone_;
};

TEST_F(Launcher, ShowReachesTheRunningCopyWithoutTheProgram)
{
    QLocalServer first;
    ASSERT_TRUE(first.listen(runtime_.filePath(QString::fromLatin1(instance::MessageChannel) +
                                               QStringLiteral(".sock"))));
    QByteArray received;
    QObject::connect(&first, &QLocalServer::newConnection, [&] {
        QLocalSocket* later = first.nextPendingConnection();
        QObject::connect(later, &QLocalSocket::readyRead,
                         [&, later] { received += later->readAll(); });
    });
    const QString executable = Alone();
    EXPECT_EQ(Run(executable, {QStringLiteral("--show")}), 0);
    for (int i = 0; i < 100 && !received.endsWith('\n'); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(received, "show token-17\n");

    // Another request, and a show nobody takes, need the program: here it is missing.
    QString errors;
    EXPECT_EQ(Run(executable, {QStringLiteral("--show"), QStringLiteral("--help")}, &errors), 1);
    EXPECT_TRUE(errors.contains(QLatin1String("cannot load the program"))) << errors.toStdString();
    first.close();
    EXPECT_EQ(Run(executable, {QStringLiteral("--show")}, &errors), 1);
    EXPECT_TRUE(errors.contains(QLatin1String("cannot load the program"))) << errors.toStdString();
}

TEST_F(Launcher, TheProgramBesideTheExecutableRuns)
{
    QProcess process;
    process.start(QStringLiteral(QUORVEL_EXECUTABLE), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().contains(QUORVEL_VERSION));
}

} // namespace
