#include "platform/x11/X11Platform.h"

#include "ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

namespace {

class SystemServices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        environment.Set("XDG_RUNTIME_DIR", Temp());
    }
    std::string Temp() const { return temp.path().toStdString(); }

    QTemporaryDir temp;
    ScopedEnvironment environment;
    platform::X11Platform system;
};

TEST_F(SystemServices, ProcessesAreListedWithTheirExecutables)
{
    const auto ids = system.EnumProcesses();
    const auto self = static_cast<std::uint32_t>(getpid());
    EXPECT_EQ(system.GetCurrentProcessId(), self);
    EXPECT_NE(std::find(ids.begin(), ids.end(), self), ids.end());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0u), 0);

    const std::string path = system.GetProcessModulePath(self);
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_tests");
    EXPECT_EQ(system.GetExecutablePath(), path);

    EXPECT_EQ(system.GetProcessModulePath(0), "");
    // Above the kernel's largest pid: no such process.
    EXPECT_EQ(system.GetProcessModulePath(0x7FFFFFF0u), "");
}

TEST_F(SystemServices, OnlyProcessesOfThisUserAreOwn)
{
    EXPECT_TRUE(system.IsOwnProcess(static_cast<std::uint32_t>(getpid())));
    EXPECT_FALSE(system.IsOwnProcess(0));
    EXPECT_FALSE(system.IsOwnProcess(0x7FFFFFF0u));
    if (getuid() != 0) {
        EXPECT_FALSE(system.IsOwnProcess(1)) << "init runs as root";
        return;
    }
    // As root: a child that becomes the user nobody.
    const pid_t child = fork();
    if (child == 0) {
        if (setuid(65534) == 0) {
            pause();
        }
        _exit(1);
    }
    ASSERT_GT(child, 0);
    const auto id = static_cast<std::uint32_t>(child);
    for (int attempt = 0; attempt < 200 && system.IsOwnProcess(id); ++attempt) {
        usleep(10000);
    }
    EXPECT_FALSE(system.IsOwnProcess(id));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

TEST_F(SystemServices, DeletedExecutableKeepsItsPathWithoutTheSuffix)
{
    const std::string copy = Temp() + "/sleeper";
    ASSERT_TRUE(QFile::copy("/bin/sleep", QString::fromStdString(copy)));
    ASSERT_EQ(chmod(copy.c_str(), 0700), 0);
    pid_t child = 0;
    char arg0[] = "sleeper";
    char arg1[] = "30";
    char* argv[] = {arg0, arg1, nullptr};
    ASSERT_EQ(posix_spawn(&child, copy.c_str(), nullptr, nullptr, argv, environ), 0);
    ASSERT_EQ(unlink(copy.c_str()), 0);

    // The kernel names the file "<path> (deleted)" once exec has happened.
    std::string path;
    for (int attempt = 0; attempt < 200 && path != copy; ++attempt) {
        path = system.GetProcessModulePath(static_cast<std::uint32_t>(child));
        usleep(10000);
    }
    EXPECT_EQ(path, copy);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

TEST_F(SystemServices, NamedMutexIsHeldUntilClosed)
{
    bool exists = true;
    const int first = system.OpenNamedMutex("QuorvelTestLock", exists);
    ASSERT_GE(first, 0);
    EXPECT_FALSE(exists);

    const std::string file = Temp() + "/QuorvelTestLock.lock";
    struct stat info
    {
    };
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(fcntl(first, F_GETFD) & FD_CLOEXEC);

    // A second open file description conflicts, as another process would.
    const int second = system.OpenNamedMutex("QuorvelTestLock", exists);
    EXPECT_GE(second, 0);
    EXPECT_TRUE(exists);
    system.CloseNamedMutex(second);
    const int third = system.OpenNamedMutex("QuorvelTestLock", exists);
    EXPECT_TRUE(exists);
    system.CloseNamedMutex(third);

    bool otherExists = true;
    const int other = system.OpenNamedMutex("QuorvelOtherLock", otherExists);
    EXPECT_FALSE(otherExists);
    system.CloseNamedMutex(other);

    system.CloseNamedMutex(first);
    const int again = system.OpenNamedMutex("QuorvelTestLock", exists);
    EXPECT_GE(again, 0);
    EXPECT_FALSE(exists);
    system.CloseNamedMutex(again);
}

TEST_F(SystemServices, WithoutARuntimeFolderAPrivateOneIsMadeInTheTemporaryFolder)
{
    environment.Set("XDG_RUNTIME_DIR", std::nullopt);
    environment.Set("TMPDIR", Temp());
    const std::string folder = Temp() + "/quorvel-" + std::to_string(getuid());
    bool exists = true;
    const int handle = system.OpenNamedMutex("QuorvelTestLock", exists);
    ASSERT_GE(handle, 0);
    EXPECT_FALSE(exists);
    struct stat info
    {
    };
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(access((folder + "/QuorvelTestLock.lock").c_str(), F_OK), 0);
    system.CloseNamedMutex(handle);

    EXPECT_EQ(system.OpenNamedMutex("../escape", exists), -1);
    EXPECT_EQ(system.OpenNamedMutex("", exists), -1);
    EXPECT_FALSE(exists);
}

TEST_F(SystemServices, ASquattedFallBackFolderIsRefused)
{
    environment.Set("XDG_RUNTIME_DIR", std::nullopt);
    environment.Set("TMPDIR", Temp());
    const std::string folder = Temp() + "/quorvel-" + std::to_string(getuid());
    const std::string elsewhere = Temp() + "/elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    auto refused = [&] {
        bool exists = false;
        const int handle = system.OpenNamedMutex("QuorvelTestLock", exists);
        if (handle >= 0) {
            system.CloseNamedMutex(handle);
        }
        return handle < 0 && !exists &&
               !system.ListenForMessages(
                   "quorveltest", [](const std::string&, platform::Platform::MessageReply) {});
    };

    // A symbolic link to a folder of someone else's choosing.
    ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
    EXPECT_TRUE(refused());
    EXPECT_EQ(access((elsewhere + "/QuorvelTestLock.lock").c_str(), F_OK), -1);
    unlink(folder.c_str());
    // A plain file, or a socket, in its place.
    std::ofstream(folder) << "squatter";
    EXPECT_TRUE(refused());
    unlink(folder.c_str());
    // A folder others may write into.
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    EXPECT_TRUE(refused());
    // A folder of another user.
    ASSERT_EQ(chmod(folder.c_str(), 0700), 0);
    if (getuid() == 0) {
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(refused());
        ASSERT_EQ(chown(folder.c_str(), 0, 0), 0);
    }
    // Its own again: used.
    EXPECT_FALSE(refused());
}

TEST_F(SystemServices, MessagesReachTheListeningCopy)
{
    // A socket file left by a copy that died is no obstacle.
    std::ofstream(Temp() + "/quorveltest.sock") << "stale";
    std::vector<std::string> received;
    ASSERT_TRUE(system.ListenForMessages(
        "quorveltest", [&](const std::string& message, platform::Platform::MessageReply) {
            received.push_back(message);
        }));

    EXPECT_TRUE(system.SendMessageToFirstCopy("quorveltest", "OtherInstanceOfQuorvelStarted"));
    EXPECT_TRUE(system.SendMessageToFirstCopy("quorveltest", "Второе"));
    const QDeadlineTimer deadline(5000);
    while (received.size() < 2 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(received, (std::vector<std::string>{"OtherInstanceOfQuorvelStarted", "Второе"}));

    // A message longer than any message of the program cuts the sender off; the listener goes on.
    {
        QLocalSocket flood;
        flood.connectToServer(QString::fromStdString(Temp() + "/quorveltest.sock"));
        ASSERT_TRUE(flood.waitForConnected(5000));
        flood.write(QByteArray(1024 * 1024, 'x'));
        const QDeadlineTimer cutOff(5000);
        while (flood.state() == QLocalSocket::ConnectedState && !cutOff.hasExpired()) {
            flood.waitForBytesWritten(50);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        EXPECT_NE(flood.state(), QLocalSocket::ConnectedState);
    }
    system.SendMessageToFirstCopy("quorveltest", "Третье");
    const QDeadlineTimer again(5000);
    while (received.size() < 3 && !again.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2], "Третье");

    // A message is one line: one with a line break is refused whole.
    EXPECT_FALSE(system.SendMessageToFirstCopy("quorveltest", "Import /tmp/a\nImport /etc/b"));
    // Nobody listens on this channel: the send gives up, reaches nobody and says so.
    EXPECT_FALSE(system.SendMessageToFirstCopy("quorvelnobody", "ignored"));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(received.size(), 3u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Temp() + "/quorvelnobody.sock")));
}

TEST_F(SystemServices, ACopyThatAsksWaitsForTheFirstCopysAnswer)
{
    std::vector<std::string> received;
    ASSERT_TRUE(
        system.ListenForMessages("quorveltest", [&](const std::string& message,
                                                    const platform::Platform::MessageReply& reply) {
            received.push_back(message);
            // Answered later, from the event loop, in several lines.
            if (message == "Import /tmp/a.json") {
                QTimer::singleShot(50, [reply] { reply("failed\nline 2, field keys"); });
            }
        }));
    // The asking copy blocks while it waits: here it runs beside the listening one's event loop.
    auto ask = [this](const std::string& message, int timeoutMs) {
        std::optional<std::string> answer;
        std::atomic<bool> done = false;
        std::thread asker([&] {
            answer = system.AskFirstCopy("quorveltest", message, timeoutMs);
            done = true;
        });
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        asker.join();
        return answer;
    };
    EXPECT_EQ(ask("Import /tmp/a.json", 5000), "failed\nline 2, field keys");
    // A message nobody answers: the asker gives up after its time.
    EXPECT_EQ(ask("show", 300), std::nullopt);
    EXPECT_EQ(received, (std::vector<std::string>{"Import /tmp/a.json", "show"}));
    EXPECT_EQ(system.AskFirstCopy("quorvelnobody", "Import /tmp/a.json", 5000), std::nullopt);

    // A copy that only sends gets no answer; the late reply goes nowhere and harms nothing.
    EXPECT_TRUE(system.SendMessageToFirstCopy("quorveltest", "Import /tmp/a.json"));
    const QDeadlineTimer deadline(5000);
    while (received.size() < 3 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QEventLoop settle;
    QTimer::singleShot(100, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_EQ(received.size(), 3u);
}

TEST_F(SystemServices, SpecialFoldersFollowTheXdgEnvironment)
{
    const std::string home = Temp() + "/home";
    environment.Set("HOME", home);
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"}) {
        environment.Set(name, std::nullopt);
    }
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::AppData),
              home + "/.local/share");
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::LocalSettings),
              home + "/.local/state");
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::Personal), home + "/Documents");
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::CommonAppData),
              "/usr/local/share");

    environment.Set("XDG_DATA_HOME", "/data/home");
    environment.Set("XDG_STATE_HOME", "relative/state"); // not absolute: ignored
    environment.Set("XDG_DATA_DIRS", "/opt/share:/usr/share");
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::AppData), "/data/home");
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::LocalSettings),
              home + "/.local/state");
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::CommonAppData), "/opt/share");

    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(home + "/.config")));
    std::ofstream(home + "/.config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                    << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                    << "XDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n";
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::Personal), home + "/Документы");

    const std::string config = Temp() + "/config";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(config)));
    std::ofstream(config + "/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"/srv/papers\"\n";
    environment.Set("XDG_CONFIG_HOME", config);
    EXPECT_EQ(system.GetSpecialFolder(platform::SpecialFolderKind::Personal), "/srv/papers");
}

TEST(NoDisplay, XPartsAnswerNothingAndTheRestWorks)
{
    ScopedEnvironment environment;
    environment.Set("DISPLAY", std::nullopt);
    platform::X11Platform system;
    EXPECT_FALSE(system.HasDisplay());
    std::uint8_t state[256] = {};
    EXPECT_FALSE(system.GetKeyboardState(state));
    EXPECT_FALSE(system.WatchKeyState([](std::uint16_t, bool) {}));
    EXPECT_FALSE(system.RegisterHotKey(platform::ModWin, 'Q', [] {}));
    EXPECT_EQ(system.GetForegroundWindow(), 0u);
    EXPECT_EQ(system.GetWindowProcessId(0x400001), 0u);
    EXPECT_FALSE(system.IsTaskbarWindow(0x400001));
    EXPECT_FALSE(system.WatchForegroundWindow([] {}));
    // Input and window requests go nowhere, and change nothing that can be asked.
    system.SendKeyEvent('S', false);
    system.SetForegroundWindow(0x400001);
    EXPECT_EQ(system.GetForegroundWindow(), 0u);
    EXPECT_FALSE(system.GetKeyboardState(state));
    EXPECT_EQ(system.GetCurrentProcessId(), static_cast<std::uint32_t>(getpid()));
}

} // namespace

TEST_F(SystemServices, ProgramsRunWithoutAShellAndAreStoppedAfterTheirTime)
{
    EXPECT_EQ(system.RunProgram("printf", {"%s|%s", "a b", "$HOME;"}, 5000), "a b|$HOME;");
    EXPECT_EQ(system.RunProgram("false", {}, 5000), std::nullopt);
    EXPECT_EQ(system.RunProgram("/nonexistent/program", {}, 5000), std::nullopt);
    // Killed once its time is up.
    EXPECT_EQ(system.RunProgram("sleep", {"30"}, 200), std::nullopt);
}

TEST_F(SystemServices, AReceiverThatRunsTheEventLoopGetsEveryMessageOfAClosedConnection)
{
    std::vector<std::string> received;
    ASSERT_TRUE(system.ListenForMessages(
        "quorveltest", [&](const std::string& message, platform::Platform::MessageReply) {
            received.push_back(message);
            // As showing the overlay does while it waits for the focus.
            QEventLoop wait;
            QTimer::singleShot(100, &wait, &QEventLoop::quit);
            wait.exec();
        }));
    {
        QLocalSocket sender;
        sender.connectToServer(QString::fromStdString(Temp() + "/quorveltest.sock"));
        ASSERT_TRUE(sender.waitForConnected(5000));
        sender.write("show\nshow\nlast");
        ASSERT_TRUE(sender.waitForBytesWritten(5000));
    }
    const QDeadlineTimer deadline(5000);
    while (received.size() < 3 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(received, (std::vector<std::string>{"show", "show", "last"}));
}

TEST_F(SystemServices, FilesOpenThroughXdgOpenWhichTellsWhenItFoundNoApplication)
{
    // A stand-in xdg-open: it records what it was asked to open and ends with the given status.
    const QString bin = QString::fromStdString(Temp() + "/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    {
        std::ofstream script((bin + "/xdg-open").toStdString());
        script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >>'" << Temp() << "/opened'\nexit $(cat '"
               << Temp() << "/status')\n";
    }
    ASSERT_EQ(chmod((bin + "/xdg-open").toLocal8Bit().constData(), 0755), 0);
    environment.Set("PATH", bin.toStdString() + ":" + std::getenv("PATH"));
    const auto running = [] {
        // The watcher deletes itself once xdg-open has ended.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !QCoreApplication::instance()->findChildren<QProcess*>().isEmpty();
    };

    // open STATUS: opens a page with xdg-open ending in STATUS; the failures it reported.
    const auto open = [&](int status) {
        std::ofstream(Temp() + "/status") << status << "\n";
        int failures = 0;
        EXPECT_TRUE(system.OpenFile("help/page.html", [&failures] { ++failures; }));
        const QDeadlineTimer deadline(5000);
        while ((running() || (failures == 0 && status != 0)) && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        EXPECT_FALSE(running());
        return failures;
    };
    // Status 3: no application for the file (xdg-open's "a required tool could not be found").
    EXPECT_EQ(open(3), 1);
    EXPECT_EQ(open(0), 0);

    std::ifstream opened(Temp() + "/opened");
    std::string first, second;
    std::getline(opened, first);
    std::getline(opened, second);
    // The page is named by its absolute path.
    EXPECT_EQ(first, QDir::current().filePath("help/page.html").toStdString());
    EXPECT_EQ(second, first);
}
