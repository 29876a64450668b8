#include "platform/wayland/GnomeShell.h"
#include "platform/wayland/WaylandPlatform.h"
#include "FakePortal.h"
#include "GnomeSessionEnvironment.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

using namespace platform::wayland;

namespace {

constexpr std::uint64_t EditorWindow = 12;
constexpr std::uint32_t EditorPid = 4242;
const std::string EditorFocus = "focus 12 4242 org.gnome.TextEditor.desktop org.gnome.TextEditor";

// The extension's D-Bus service run by gjs on the test's private session bus, its Shell played by
// gnome-shell-stub.js: the test sets the focus and reads the keys typed.
class ShellStub
{
public:
    ShellStub()
    {
        process_.setProgram(QStringLiteral("gjs"));
        process_.setArguments(
            {QStringLiteral(QUORVEL_GNOME_STUB), QStringLiteral(QUORVEL_GNOME_EXTENSION)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        EXPECT_TRUE(WaitFor("ready"));
    }
    ~ShellStub()
    {
        process_.closeWriteChannel();
        process_.waitForFinished(5000);
    }
    ShellStub(const ShellStub&) = delete;
    ShellStub& operator=(const ShellStub&) = delete;

    // Sets the focused window; true once the service has told the focus change.
    bool Focus(const std::string& command)
    {
        process_.write(QByteArray::fromStdString(command + '\n'));
        return WaitFor("ok");
    }
    // Reads the stub's lines, the event loop running meanwhile, until one is the line or ms pass.
    bool WaitFor(const std::string& line, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        do {
            QCoreApplication::processEvents();
            process_.waitForReadyRead(10);
            while (process_.canReadLine()) {
                const std::string read = process_.readLine().trimmed().toStdString();
                if (read == line) {
                    return true;
                }
                lines_.push_back(read);
            }
        } while (timer.elapsed() < ms);
        return false;
    }
    // Reads lines for ms.
    void ReadFor(int ms) { WaitFor("\n", ms); }
    // The lines read that were not waited for.
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    QProcess process_;
    std::vector<std::string> lines_;
};

// Runs the event loop until the condition holds, for at most ms.
bool Until(const std::function<bool()>& condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

bool HaveGjs()
{
    return !QStandardPaths::findExecutable(QStringLiteral("gjs")).isEmpty();
}

std::string OwnFocus()
{
    return "focus 7 " + std::to_string(getpid()) + " - org.quorvel.Quorvel";
}

} // namespace

TEST(GnomeShellClient, WithoutTheExtensionThereIsNoSourceAndTheNameIsLeft)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    EXPECT_EQ(GnomeShell::Open(bus), nullptr);
    EXPECT_FALSE(bus.interface()->isServiceRegistered(GnomeShell::ClientName).value());
}

TEST(GnomeShellClient, TheFocusedWindowComesFromTheExtension)
{
    if (!HaveGjs()) {
        GTEST_SKIP() << "gjs is not installed";
    }
    ShellStub stub;
    ASSERT_TRUE(stub.Focus(EditorFocus));
    auto shell = GnomeShell::Open(QDBusConnection::sessionBus());
    ASSERT_NE(shell, nullptr);
    const auto editor = shell->Focused();
    ASSERT_TRUE(editor.has_value());
    EXPECT_EQ(editor->id, static_cast<std::int64_t>(EditorWindow));
    EXPECT_EQ(editor->pid, EditorPid);
    const auto identity = IdentityOf(*editor);
    EXPECT_EQ(identity.desktopId, "org.gnome.TextEditor.desktop");
    EXPECT_EQ(identity.classes, std::vector<std::string>{"org.gnome.TextEditor"});

    int changes = 0;
    shell->Watch([&] { ++changes; });
    ASSERT_TRUE(stub.Focus(OwnFocus()));
    ASSERT_TRUE(Until([&] { return changes == 1; }));
    ASSERT_TRUE(shell->Focused().has_value());
    EXPECT_EQ(shell->Focused()->pid, static_cast<std::uint32_t>(getpid()));
    EXPECT_TRUE(IdentityOf(*shell->Focused()).desktopId.empty());
    // The window focused before stays known, as the one to return to.
    ASSERT_TRUE(shell->Find(static_cast<std::int64_t>(EditorWindow)).has_value());
    EXPECT_EQ(shell->Find(static_cast<std::int64_t>(EditorWindow))->pid, EditorPid);

    ASSERT_TRUE(stub.Focus("nofocus"));
    ASSERT_TRUE(Until([&] { return changes == 2; }));
    EXPECT_FALSE(shell->Focused().has_value());
    EXPECT_TRUE(shell->Windows().empty());
}

TEST(GnomeShellClient, AKeyCombinationIsTypedOnceTheFocusLeftTheOverlay)
{
    if (!HaveGjs()) {
        GTEST_SKIP() << "gjs is not installed";
    }
    ShellStub stub;
    ASSERT_TRUE(stub.Focus(OwnFocus()));
    auto shell = GnomeShell::Open(QDBusConnection::sessionBus());
    ASSERT_NE(shell, nullptr);
    // Ctrl+S as X key codes: evdev KEY_LEFTCTRL (29) and KEY_S (31), + 8.
    shell->SendKey(37, true);
    shell->SendKey(39, true);
    shell->SendKey(39, false);
    shell->SendKey(37, false);
    stub.ReadFor(300);
    EXPECT_TRUE(stub.Lines().empty()) << "typed while the overlay had the focus";

    ASSERT_TRUE(stub.Focus(EditorFocus));
    ASSERT_TRUE(stub.WaitFor("key 29 up"));
    EXPECT_EQ(stub.Lines(), (std::vector<std::string>{"key 29 down", "key 31 down", "key 31 up"}));
    stub.ReadFor(300);
    EXPECT_EQ(stub.Lines().size(), 3u) << "typed more than once";
}

TEST(GnomeShellClient, OnlyOneCopyHoldsTheNameTheExtensionAnswers)
{
    if (!HaveGjs()) {
        GTEST_SKIP() << "gjs is not installed";
    }
    ShellStub stub;
    auto first = GnomeShell::Open(QDBusConnection::sessionBus());
    ASSERT_NE(first, nullptr);
    QDBusConnection second =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
    EXPECT_EQ(GnomeShell::Open(second), nullptr);
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));
}

// GNOME 48 with the extension: the trigger through the portal's GlobalShortcuts, named as GNOME
// names it, the active window and the keys from the extension; no remote desktop asked for.
TEST(GnomeWaylandPlatform, OnGnome48TheTriggerIsThePortalsAndTheRestTheExtensions)
{
    if (!HaveGjs()) {
        GTEST_SKIP() << "gjs is not installed";
    }
    GnomeSessionEnvironment session("ubuntu:GNOME");
    fake::FakePortal portal(fake::FakePortal::Desktop::Gnome48, 2);
    ShellStub stub;
    ASSERT_TRUE(stub.Focus(EditorFocus));
    platform::WaylandPlatform system;
    EXPECT_TRUE(system.CanGrabTrigger());
    EXPECT_TRUE(system.CanTellActiveProcess());
    EXPECT_TRUE(system.CanSendInput());
    EXPECT_EQ(system.GetWindowManagerName(), "GNOME Shell");
    const auto extension = system.GetShellExtension();
    EXPECT_TRUE(extension.active);
    EXPECT_FALSE(extension.remoteDesktop);

    int shown = 0;
    ASSERT_TRUE(
        system.RegisterHotKey(platform::ModControl | platform::ModAlt, 'Q', [&] { ++shown; }));
    EXPECT_EQ(system.GetHotKeyDescription(), "Ctrl+Alt+Q");
    EXPECT_EQ(portal.Calls(),
              (QStringList{"Register org.quorvel.Quorvel", "CreateSession quorvel show CTRL+ALT+q",
                           "BindShortcuts " + portal.Session()}));
    portal.Activate(portal.Session(), QStringLiteral("show"));
    EXPECT_TRUE(Until([&] { return shown == 1; }));
    EXPECT_EQ(system.GetWindowProcessId(system.GetForegroundWindow()), EditorPid);
}

// Before GNOME 48 the portal has no GlobalShortcuts: the platform binds no trigger (GNOME's
// custom keybinding runs "quorvel --show").
TEST(GnomeWaylandPlatform, BeforeGnome48ThePlatformBindsNoTrigger)
{
    if (!HaveGjs()) {
        GTEST_SKIP() << "gjs is not installed";
    }
    GnomeSessionEnvironment session;
    fake::FakePortal portal(fake::FakePortal::Desktop::Gnome47, 2);
    ShellStub stub;
    platform::WaylandPlatform system;
    EXPECT_FALSE(system.CanGrabTrigger());
    EXPECT_FALSE(system.RegisterHotKey(platform::ModControl | platform::ModAlt, 'Q', [] {}));
    EXPECT_TRUE(system.CanSendInput());
    EXPECT_EQ(portal.Calls(), (QStringList{"Register org.quorvel.Quorvel"}));
}

TEST(GnomeDesktop, XdgCurrentDesktopNamesGnomeAmongOthers)
{
    EXPECT_TRUE(IsGnomeDesktop("GNOME"));
    EXPECT_TRUE(IsGnomeDesktop("ubuntu:GNOME"));
    EXPECT_TRUE(IsGnomeDesktop("GNOME-Classic:GNOME"));
    EXPECT_FALSE(IsGnomeDesktop("GNOME-Flashback"));
    EXPECT_FALSE(IsGnomeDesktop("KDE"));
    EXPECT_FALSE(IsGnomeDesktop("XGNOME:sway"));
    EXPECT_FALSE(IsGnomeDesktop(""));
    EXPECT_FALSE(IsGnomeDesktop(":"));
}
