// The Linux platform against a real X server with a window manager and a tray; run by
// run-x11-tests.sh inside a virtual session. xev plays the other applications.
#include "platform/x11/X11Platform.h"

#include "framework/QtTimerService.h"
#include "services/ActiveWindow.h"
#include "editor/ApplicationList.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QProcess>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

// Includes Xlib: after Qt's headers.
#include "platform/x11/XErrorTrap.h"

namespace {

constexpr int TimeoutMs = 5000;

// Runs the event loop until the condition holds or the time-out passes.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = TimeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs a tool to its end with the event loop going (a grabbed key's events come to us).
QString RunTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString Xdotool(const QStringList& arguments)
{
    return RunTool("xdotool", arguments);
}

// An xev window: a foreign X client that sets no _NET_WM_PID and prints what it receives.
class Xev
{
public:
    explicit Xev(const QString& title, int x)
    {
        process_.start("xev", {"-name", title, "-geometry", QString("300x200+%1+100").arg(x)});
        WaitUntil([&] {
            window =
                Xdotool({"search", "--name", "^" + title + "$"}).split('\n').value(0).toULongLong();
            return window != 0;
        });
    }
    ~Xev()
    {
        process_.kill();
        process_.waitForFinished();
    }
    std::uint32_t Pid() const { return static_cast<std::uint32_t>(process_.processId()); }
    void Activate() { Xdotool({"windowactivate", "--sync", QString::number(window)}); }
    QString Output()
    {
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        return output_;
    }

    platform::WindowId window = 0;

private:
    QProcess process_;
    QString output_;
};

// A window of this process, shown; Activate() makes it active and tells whether Qt has it in
// focus then.
class OwnWindow
{
public:
    explicit OwnWindow(const QString& title)
    {
        window_.setTitle(title);
        window_.resize(200, 100);
        window_.show();
    }
    bool Activate()
    {
        Xdotool({"windowactivate", "--sync", QString::number(window_.winId())});
        return WaitUntil([&] { return QGuiApplication::focusWindow() == &window_; });
    }

private:
    QWindow window_;
};

class X11Platform : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(system.HasDisplay()); }

    platform::X11Platform system;
};

TEST_F(X11Platform, SyntheticCtrlSReachesTheFocusedClient)
{
    Xev xev("QuorvelXevKeys", 100);
    ASSERT_NE(xev.window, 0u);
    xev.Activate();
    // Ctrl, S down, then both up in the same order, as a carried-out shortcut is sent.
    system.SendKeyEvent(17, false);
    system.SendKeyEvent('S', false);
    system.SendKeyEvent(17, true);
    system.SendKeyEvent('S', true);
    EXPECT_TRUE(WaitUntil([&] { return xev.Output().count("KeyRelease event") >= 2; }));
    const QString output = xev.Output();
    EXPECT_TRUE(output.contains("state 0x0, keycode 37 (keysym 0xffe3, Control_L)"))
        << output.toStdString();
    EXPECT_TRUE(output.contains("state 0x4, keycode 39 (keysym 0x73, s)")) << output.toStdString();
    EXPECT_EQ(output.count("KeyPress event"), 2);
}

TEST_F(X11Platform, KeysAreSentAsAskedWithoutReadingTheKeyboard)
{
    Xev xev("QuorvelXevHeld", 100);
    ASSERT_NE(xev.window, 0u);
    xev.Activate();
    // Right Shift down twice: the second press is sent as it is, with no release read into it
    // (reading the keys of the application in front is not ours to do).
    system.SendKeyEvent(0xA1, false);
    system.SendKeyEvent(0xA1, false);
    system.SendKeyEvent(0xA1, true);
    EXPECT_TRUE(WaitUntil([&] { return xev.Output().count("KeyRelease event") >= 1; }));
    const QString output = xev.Output();
    EXPECT_EQ(output.count("KeyRelease event"), 1) << output.toStdString();
}

TEST_F(X11Platform, FocusIsAwaitedByEventsAndRequestsCarryTheirOwnTime)
{
    Xev first("QuorvelXevFocusFirst", 100);
    Xev second("QuorvelXevFocusSecond", 500);
    first.Activate();
    EXPECT_TRUE(system.WaitUntilFocused(first.window, 0));
    EXPECT_FALSE(system.WaitUntilFocused(second.window, 50));
    // The user works in the second window after a request of ours: an activation that carried
    // the old request's time would be older than that work.
    system.NoteUserRequest();
    second.Activate();
    Xdotool({"key", "shift"});
    system.NoteUserRequest();
    system.SetForegroundWindow(first.window);
    EXPECT_TRUE(system.WaitUntilFocused(first.window, TimeoutMs));
}

TEST_F(X11Platform, ForegroundFollowsActivationAndCanBeRequested)
{
    Xev first("QuorvelXevFirst", 100);
    Xev second("QuorvelXevSecond", 500);
    first.Activate();
    EXPECT_TRUE(WaitUntil([&] { return system.GetForegroundWindow() == first.window; }));
    second.Activate();
    EXPECT_TRUE(WaitUntil([&] { return system.GetForegroundWindow() == second.window; }));

    system.SetForegroundWindow(first.window);
    EXPECT_TRUE(WaitUntil([&] { return system.GetForegroundWindow() == first.window; }));

    EXPECT_FALSE(system.IsTopmost(first.window));
    system.SetTopmost(first.window, true);
    EXPECT_TRUE(WaitUntil([&] { return system.IsTopmost(first.window); }));
    system.SetTopmost(first.window, false);
    EXPECT_TRUE(WaitUntil([&] { return !system.IsTopmost(first.window); }));
}

TEST_F(X11Platform, TheRunningWindowManagerIsKnownByItsName)
{
    // The virtual session runs openbox.
    EXPECT_EQ(system.GetWindowManagerName(), "Openbox");
}

TEST_F(X11Platform, TopLevelWindowsFrontToBackWithTheirTitles)
{
    Xev back("QuorvelXevBack", 100);
    Xev front("QuorvelXevFront", 500);
    ASSERT_NE(back.window, 0u);
    ASSERT_NE(front.window, 0u);
    front.Activate();
    const auto windows = system.GetTopLevelWindows();
    const auto at = [&](platform::WindowId window) {
        return std::find(windows.begin(), windows.end(), window) - windows.begin();
    };
    ASSERT_LT(at(front.window), static_cast<long>(windows.size()));
    ASSERT_LT(at(back.window), static_cast<long>(windows.size()));
    EXPECT_LT(at(front.window), at(back.window));
    EXPECT_EQ(system.GetWindowTitle(front.window), "QuorvelXevFront");
    EXPECT_TRUE(system.IsWindowVisible(front.window));
    EXPECT_EQ(system.GetWindowOwner(front.window), 0u);
    Xdotool({"set_window", "--classname", "quorveltest", "--class", "QuorvelTest",
             QString::number(front.window)});
    EXPECT_EQ(system.GetWindowClass(front.window), "QuorvelTest");
    EXPECT_FALSE(system.IsDesktopWindow(front.window));
    // A title in UTF-8 set through _NET_WM_NAME.
    Xdotool({"set_window", "--name", QString::fromUtf8("Окно ") + QString(150, 'x'),
             QString::number(front.window)});
    EXPECT_TRUE(
        WaitUntil([&] { return system.GetWindowTitle(front.window).rfind("Окно x", 0) == 0; }));
}

TEST_F(X11Platform, AWindowTellsItsClassesAndDesktopEntry)
{
    Xev xev("QuorvelXevIdentity", 300);
    ASSERT_NE(xev.window, 0u);
    const QString id = QString::number(xev.window);
    Xdotool({"set_window", "--classname", "libreoffice", "--class", "libreoffice-impress", id});
    EXPECT_TRUE(WaitUntil([&] {
        return system.GetWindowIdentity(xev.window).classes ==
               std::vector<std::string>{"libreoffice", "libreoffice-impress"};
    }));
    EXPECT_EQ(system.GetWindowIdentity(xev.window).desktopId, "");
    // KDE's desktop file, then GTK's application id, which wins.
    RunTool("xprop", {"-id", id, "-f", "_KDE_NET_WM_DESKTOP_FILE", "8u", "-set",
                      "_KDE_NET_WM_DESKTOP_FILE", "org.kde.konsole"});
    EXPECT_TRUE(WaitUntil(
        [&] { return system.GetWindowIdentity(xev.window).desktopId == "org.kde.konsole"; }));
    RunTool("xprop", {"-id", id, "-f", "_GTK_APPLICATION_ID", "8u", "-set", "_GTK_APPLICATION_ID",
                      "org.gnome.Meld"});
    EXPECT_TRUE(WaitUntil(
        [&] { return system.GetWindowIdentity(xev.window).desktopId == "org.gnome.Meld"; }));
    EXPECT_TRUE(system.GetWindowIdentity(0).classes.empty());
}

TEST_F(X11Platform, WindowOwnersAndTheTaskbar)
{
    auto xev = std::make_unique<Xev>("QuorvelXevOwner", 100);
    ASSERT_NE(xev->window, 0u);
    // xev sets no _NET_WM_PID: the X-Resource extension tells.
    EXPECT_EQ(system.GetWindowProcessId(xev->window), xev->Pid());
    EXPECT_FALSE(system.IsTaskbarWindow(xev->window));

    // trayer's panel: a dock holding the notification area.
    const QString panel = Xdotool({"search", "--onlyvisible", "--class", "trayer"});
    ASSERT_FALSE(panel.isEmpty());
    EXPECT_TRUE(system.IsTaskbarWindow(panel.split('\n').value(0).toULongLong()));

    // A window that no longer exists: no answer, no crash.
    const platform::WindowId gone = xev->window;
    xev.reset();
    EXPECT_TRUE(WaitUntil([&] { return system.GetWindowProcessId(gone) == 0; }));
    EXPECT_FALSE(system.IsTopmost(gone));
    EXPECT_FALSE(system.IsTaskbarWindow(gone));
    EXPECT_EQ(system.GetWindowTitle(gone), "");
    EXPECT_FALSE(system.IsWindowVisible(gone));
    EXPECT_EQ(system.GetWindowOwner(gone), 0u);
    EXPECT_TRUE(system.GetWindowIcon(gone, 16).argb.empty());
    EXPECT_TRUE(system.GetChildWindows(gone, true).empty());
    system.SetForegroundWindow(gone);
    // openbox leaves a closed active window in _NET_ACTIVE_WINDOW.
    EXPECT_NE(system.GetForegroundWindow(), gone);
}

TEST_F(X11Platform, HotKeyRunsOncePerPressAndATakenKeyIsRefused)
{
    int presses = 0;
    ASSERT_TRUE(system.RegisterHotKey(platform::ModWin, 'Q', [&] { ++presses; }));

    // Held for a second: the server auto-repeats Q, which is still one press.
    Xdotool({"keydown", "super+q", "sleep", "1.2", "keyup", "q", "keyup", "super"});
    EXPECT_TRUE(WaitUntil([&] { return presses == 1; }));
    Xdotool({"key", "super+q"});
    EXPECT_TRUE(WaitUntil([&] { return presses == 2; }));

    // The grab holds with Num Lock on as well.
    Xdotool({"key", "Num_Lock"});
    Xdotool({"key", "super+q"});
    EXPECT_TRUE(WaitUntil([&] { return presses == 3; }));
    Xdotool({"key", "Num_Lock"});

    // Another X client (here: another connection) already holds Super+Q.
    platform::X11Platform other;
    EXPECT_FALSE(other.RegisterHotKey(platform::ModWin, 'Q', [] {}));
    EXPECT_TRUE(other.RegisterHotKey(platform::ModWin | platform::ModShift, 'Q', [] {}));
    EXPECT_EQ(presses, 3);
}

TEST_F(X11Platform, AReleasedHotKeyIsFreeForOthersAndNoLongerCalled)
{
    constexpr std::uint32_t ctrlAlt = platform::ModControl | platform::ModAlt;
    int presses = 0;
    ASSERT_TRUE(system.RegisterHotKey(ctrlAlt, 'K', [&] { ++presses; }));
    platform::X11Platform other;
    EXPECT_FALSE(other.RegisterHotKey(ctrlAlt, 'K', [] {}));

    system.UnregisterHotKey(ctrlAlt, 'K');
    system.UnregisterHotKey(platform::ModShift, 'K'); // never registered: nothing happens
    int otherPresses = 0;
    EXPECT_TRUE(other.RegisterHotKey(ctrlAlt, 'K', [&] { ++otherPresses; }));
    Xdotool(
        {"keydown", "ctrl+alt+k", "sleep", "0.1", "keyup", "k", "keyup", "alt", "keyup", "ctrl"});
    EXPECT_TRUE(WaitUntil([&] { return otherPresses == 1; }));
    EXPECT_EQ(presses, 0);
}

TEST_F(X11Platform, TheWindowManagerIsKnownByTheNameItGivesItself)
{
    EXPECT_EQ(system.GetWindowManagerName(), "Openbox");
}

TEST_F(X11Platform, CanDoEverythingWithADisplayAndNothingWithout)
{
    EXPECT_TRUE(system.CanGrabTrigger());
    EXPECT_TRUE(system.CanTellActiveProcess());
    EXPECT_TRUE(system.CanSendInput());
    EXPECT_TRUE(system.CanKeepAbove());
    platform::X11Platform unconnected(platform::X11Platform::DisplayConnection::Later);
    EXPECT_FALSE(unconnected.CanGrabTrigger());
    EXPECT_FALSE(unconnected.CanTellActiveProcess());
    EXPECT_FALSE(unconnected.CanSendInput());
    EXPECT_FALSE(unconnected.CanKeepAbove());
}

TEST_F(X11Platform, KeyStateIsReadOnlyWhileOurWindowIsActive)
{
    OwnWindow window("QuorvelKeyStateWindow");
    ASSERT_TRUE(window.Activate());

    std::uint8_t state[256] = {};
    system.SendKeyEvent(0xA1, false); // right Shift
    EXPECT_TRUE(WaitUntil([&] { return system.GetKeyboardState(state) && (state[0xA1] & 0x80); }));
    EXPECT_EQ(state[16], 0x80);
    EXPECT_EQ(state[0xA0], 0);
    EXPECT_EQ(state[std::uint8_t{'Q'}], 0);
    EXPECT_EQ(state[17], 0);
    system.SendKeyEvent(0xA1, true);
    EXPECT_TRUE(WaitUntil([&] { return system.GetKeyboardState(state) && state[16] == 0; }));

    Xev xev("QuorvelXevElsewhere", 500);
    xev.Activate();
    ASSERT_TRUE(WaitUntil([&] { return QGuiApplication::focusWindow() == nullptr; }));
    EXPECT_FALSE(system.GetKeyboardState(state));
}

TEST_F(X11Platform, KeyStateEventsComeOnlyWhileOurWindowIsActive)
{
    OwnWindow window("QuorvelKeyEventsWindow");
    ASSERT_TRUE(window.Activate());

    using Events = std::vector<std::pair<std::uint16_t, bool>>;
    Events events;
    // Held before the watch starts: reported first, by its side code alone.
    system.SendKeyEvent(0xA1, false); // right Shift
    ASSERT_TRUE(system.WatchKeyState(
        [&](std::uint16_t code, bool down) { events.emplace_back(code, down); }));
    EXPECT_TRUE(WaitUntil([&] { return events == Events{{0xA1, true}}; }));
    // Held a while, as a person does.
    system.SendKeyEvent('Q', false);
    EXPECT_TRUE(WaitUntil([&] { return events == Events{{0xA1, true}, {'Q', true}}; }));
    system.SendKeyEvent('Q', true);
    EXPECT_TRUE(WaitUntil([&] {
        return events == Events{{0xA1, true}, {'Q', true}, {'Q', false}};
    }));

    // Another window active: keys typed there are never reported.
    Xev xev("QuorvelXevKeyEvents", 500);
    xev.Activate();
    ASSERT_TRUE(WaitUntil([&] { return QGuiApplication::focusWindow() == nullptr; }));
    system.SendKeyEvent('W', false);
    system.SendKeyEvent(0xA1, true);
    system.SendKeyEvent('W', true);
    // Ours again: the keys down then come first; Shift, released elsewhere, is not reported up
    // (nor is W, which the exact lists below would show).
    system.SendKeyEvent(0xA2, false); // left Ctrl
    ASSERT_TRUE(window.Activate());
    EXPECT_TRUE(WaitUntil([&] {
        return events == Events{{0xA1, true}, {'Q', true}, {'Q', false}, {0xA2, true}};
    }));
    system.SendKeyEvent(0xA2, true);
    EXPECT_TRUE(WaitUntil([&] {
        return events ==
               Events{{0xA1, true}, {'Q', true}, {'Q', false}, {0xA2, true}, {0xA2, false}};
    }));

    // Stopped: nothing more reaches the watcher; a new one is told of the key held since.
    EXPECT_TRUE(system.WatchKeyState({}));
    system.SendKeyEvent('Q', false);
    Events later;
    ASSERT_TRUE(system.WatchKeyState(
        [&](std::uint16_t code, bool down) { later.emplace_back(code, down); }));
    EXPECT_TRUE(WaitUntil([&] { return later == Events{{'Q', true}}; }));
    system.SendKeyEvent('Q', true);
    EXPECT_TRUE(WaitUntil([&] { return later == Events{{'Q', true}, {'Q', false}}; }));
    EXPECT_EQ(events.size(), 5u);
    EXPECT_TRUE(system.WatchKeyState({}));
}

TEST_F(X11Platform, RealWindowsAndDesktopEntriesAreListedWithTheirExecutables)
{
    Xev xev("QuorvelXevListed", 100);
    ASSERT_NE(xev.window, 0u);
    QTemporaryDir data;
    QDir().mkpath(data.filePath("applications"));
    QFile entry(data.filePath("applications/quorvel-test-xev.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Quorvel Event Tester\nExec=xev\n");
    entry.close();
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QtTimerService timers;
    InstallTimerService(&timers);
    platform::Install(&system);
    {
        CActiveWindow tracker(system);
        TRunningApplicationList running(system, tracker);
        running.Refresh();
        const auto found = running.findItems("QuorvelXevListed", Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1);
        running.setCurrentItem(found.front());
        EXPECT_EQ(running.GetSelectedPath(),
                  QFileInfo(QString("/proc/%1/exe").arg(xev.Pid())).symLinkTarget().toStdString());

        TInstalledApplicationList installed;
        installed.Refresh();
        const auto listed = installed.findItems("Quorvel Event Tester", Qt::MatchRecursive);
        ASSERT_EQ(listed.size(), 1);
        installed.setCurrentItem(listed.front());
        EXPECT_EQ(QFileInfo(QString::fromStdString(installed.GetSelectedPath())).fileName(), "xev");
    }
    platform::Install(nullptr);
    qputenv("XDG_DATA_HOME", oldDataHome);
}

TEST(XErrorTrap, CatchesOnlyTheErrorsOfTheRequestsItGuards)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    static int untrapped = 0;
    const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) {
        ++untrapped;
        return 0;
    });
    const Window gone =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(display, gone);
    // The error of a request made before the trap is not the trap's.
    XMapWindow(display, gone);
    {
        platform::XErrorTrap trap(display);
        EXPECT_EQ(trap.Sync(), Success);
        EXPECT_EQ(untrapped, 1);
        {
            // A trap within: its own request's error is its own, not the outer one's.
            platform::XErrorTrap inner(display);
            XMapWindow(display, gone);
            EXPECT_EQ(inner.Sync(), BadWindow);
        }
        EXPECT_EQ(trap.Sync(), Success);
        XUnmapWindow(display, gone);
        EXPECT_EQ(trap.Sync(), BadWindow);
    }
    EXPECT_EQ(untrapped, 1);
    // Ended, the trap hands errors back to the handler before it.
    XMapWindow(display, gone);
    XSync(display, False);
    EXPECT_EQ(untrapped, 2);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
