// GNOME's parts of the desktop portal against a portal the test plays on a private session bus:
// GlobalShortcuts as GNOME 48 answers it, and the RemoteDesktop session that types keys without
// Quorvel's Shell extension.
#include "platform/Platform.h"
#include "platform/wayland/Portal.h"
#include "platform/wayland/PortalShortcuts.h"
#include "platform/wayland/RemoteDesktop.h"
#include "platform/wayland/WaylandPlatform.h"
#include "FakePortal.h"
#include "GnomeSessionEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform::wayland;
using fake::Eventually;
using fake::FakePortal;

namespace {

TEST(GnomePortalShortcuts, Gnome48BindsOncePerSessionAndNamesTheKeyInASentence)
{
    FakePortal portal(FakePortal::Desktop::Gnome48);
    portal::RegisterApplication(QDBusConnection::sessionBus(),
                                QStringLiteral("org.quorvel.Quorvel"));
    auto shortcuts = PortalShortcuts::Open();
    ASSERT_NE(shortcuts, nullptr);
    ASSERT_TRUE(shortcuts->Bind(platform::ModControl | platform::ModAlt, "q", {}, [] {}));
    // "Press <Control><Alt>q", the answer of BindShortcuts, without asking ListShortcuts.
    EXPECT_EQ(shortcuts->Description(), "Ctrl+Alt+Q");
    const QString first = portal.Session();
    EXPECT_EQ(portal.Calls().mid(1),
              (QStringList{"CreateSession quorvel show CTRL+ALT+q", "BindShortcuts " + first}));
    // GNOME binds a session's shortcuts once: a new trigger gets a new session.
    ASSERT_TRUE(shortcuts->Bind(platform::ModWin, "F1", {}, [] {}));
    EXPECT_EQ(portal.Calls().mid(3),
              (QStringList{"Close " + first, "CreateSession quorvel show LOGO+F1",
                           "BindShortcuts " + portal.Session()}));
}

TEST(GnomePortalShortcuts, KeysInGnomesSentenceAreNamedAsElsewhere)
{
    EXPECT_EQ(PortalShortcuts::KeyText("Press <Shift><Super>F1"), "Shift+Super+F1");
    EXPECT_EQ(PortalShortcuts::KeyText("Drücken Sie <Primary><Mod1>a"), "Ctrl+Alt+A");
    EXPECT_EQ(PortalShortcuts::KeyText("Press <control>space"), "Ctrl+space");
    // KDE's names stay as KDE gives them, and so does a sentence without an accelerator.
    EXPECT_EQ(PortalShortcuts::KeyText("Meta+Q"), "Meta+Q");
    EXPECT_EQ(PortalShortcuts::KeyText("Press F12"), "Press F12");
}

class RemoteDesktopTest : public ::testing::Test
{
protected:
    std::string TokenFile() const { return (folder_.path() + "/quorvel/token").toStdString(); }
    std::unique_ptr<RemoteDesktop> Open()
    {
        auto remote = RemoteDesktop::Open(QDBusConnection::sessionBus(), TokenFile(),
                                          [this] { return ownWindowActive_; });
        if (remote) {
            Eventually([&] { return remote->GetConsent() != RemoteDesktop::Consent::Asking; });
        }
        return remote;
    }
    // The keys the portal was sent, as "key CODE STATE".
    static QStringList Keys(const FakePortal& portal)
    {
        QStringList keys;
        for (const QString& call : const_cast<FakePortal&>(portal).Calls()) {
            if (call.startsWith(QLatin1String("key "))) {
                keys.append(call.section(QLatin1Char(' '), 0, 2));
            }
        }
        return keys;
    }
    // Ctrl+S as the carry-out gesture sends it: the Ctrl the user holds released first. X key
    // codes: evdev KEY_LEFTCTRL (29) and KEY_S (31), + 8.
    static void SendCtrlS(RemoteDesktop& remote)
    {
        for (const auto& [code, down] :
             {std::pair{37u, false}, {37u, true}, {39u, true}, {39u, false}, {37u, false}}) {
            remote.SendKey(code, down);
        }
    }

    QTemporaryDir folder_;
    bool ownWindowActive_ = false;
};

TEST_F(RemoteDesktopTest, WithoutTheInterfaceThereIsNoSource)
{
    FakePortal portal(FakePortal::Desktop::Gnome47, 0);
    EXPECT_EQ(Open(), nullptr);
}

TEST_F(RemoteDesktopTest, AGrantedSessionTypesTheCombinationOnceTheFocusLeftThisProgram)
{
    FakePortal portal(FakePortal::Desktop::Gnome47, 1);
    auto remote = Open();
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(remote->GetConsent(), RemoteDesktop::Consent::Granted);
    EXPECT_TRUE(remote->CanSend());
    const QString session = portal.Session();
    // Version 1 persists nothing: no token asked for or kept.
    EXPECT_EQ(portal.Calls(), (QStringList{"RemoteDesktop.CreateSession", "SelectDevices types=1",
                                           "Start " + session}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(TokenFile())));

    ownWindowActive_ = true;
    SendCtrlS(*remote);
    EXPECT_FALSE(Eventually([&] { return !Keys(portal).isEmpty(); }, 300))
        << "typed while this program had the focus";
    ownWindowActive_ = false;
    ASSERT_TRUE(Eventually([&] { return Keys(portal).size() == 4; }));
    EXPECT_EQ(Keys(portal), (QStringList{"key 29 1", "key 31 1", "key 31 0", "key 29 0"}));
    EXPECT_TRUE(portal.Calls().constLast().endsWith(session));

    // A key the combination leaves down is released.
    remote->SendKey(50, true);
    remote->SendKey(38, true);
    remote->SendKey(38, false);
    ASSERT_TRUE(Eventually([&] { return Keys(portal).size() == 8; }));
    EXPECT_EQ(Keys(portal).mid(4), (QStringList{"key 42 1", "key 30 1", "key 30 0", "key 42 0"}));

    remote.reset();
    EXPECT_EQ(portal.Calls().constLast(), "Close " + session);
}

TEST_F(RemoteDesktopTest, TheConsentIsAskedOnceAndItsTokenReusedFromVersion2)
{
    FakePortal portal(FakePortal::Desktop::Gnome48, 2);
    auto first = Open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetConsent(), RemoteDesktop::Consent::Granted);
    EXPECT_EQ(portal.Calls().at(1), "SelectDevices types=1 persist_mode=2");
    QFile token(QString::fromStdString(TokenFile()));
    ASSERT_TRUE(token.open(QIODevice::ReadOnly));
    EXPECT_EQ(token.readAll(), "token-1\n");
    EXPECT_EQ(token.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    token.close();
    first.reset();

    // The next start passes the token and keeps the new one the portal hands out.
    auto second = Open();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(
        portal.Calls().contains("SelectDevices types=1 persist_mode=2 restore_token=token-1"));
    ASSERT_TRUE(token.open(QIODevice::ReadOnly));
    EXPECT_EQ(token.readAll(), "token-2\n");
}

TEST_F(RemoteDesktopTest, AStoredTokenThatIsNoTokenIsNotPassed)
{
    FakePortal portal(FakePortal::Desktop::Gnome48, 2);
    QDir().mkpath(folder_.path() + "/quorvel");
    for (const QByteArray& junk : {QByteArray("tok\x01en"), QByteArray(300, 'a')}) {
        QFile file(QString::fromStdString(TokenFile()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(junk);
        file.close();
        auto remote = Open();
        ASSERT_NE(remote, nullptr);
        EXPECT_EQ(portal.Calls().filter("restore_token").size(), 0) << junk.constData();
    }
}

TEST_F(RemoteDesktopTest, ASessionTheDesktopEndsTypesNoMore)
{
    FakePortal portal(FakePortal::Desktop::Gnome48, 2);
    auto remote = Open();
    ASSERT_NE(remote, nullptr);
    ASSERT_EQ(remote->GetConsent(), RemoteDesktop::Consent::Granted);
    portal.CloseSession(portal.Session());
    ASSERT_TRUE(Eventually([&] { return !remote->CanSend(); }));
    SendCtrlS(*remote);
    EXPECT_FALSE(Eventually([&] { return !Keys(portal).isEmpty(); }, 300));
    // Ended by the desktop, the session is not closed again.
    remote.reset();
    EXPECT_TRUE(portal.Calls().filter("Close").isEmpty());
}

TEST_F(RemoteDesktopTest, ARefusedSessionTypesNothing)
{
    FakePortal portal(FakePortal::Desktop::Gnome48, 2, FakePortal::Consent::Refused);
    auto remote = Open();
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(remote->GetConsent(), RemoteDesktop::Consent::Refused);
    EXPECT_FALSE(remote->CanSend());
    EXPECT_TRUE(
        Eventually([&] { return portal.Calls().constLast() == "Close " + portal.Session(); }));
    SendCtrlS(*remote);
    EXPECT_FALSE(Eventually([&] { return !Keys(portal).isEmpty(); }, 300));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(TokenFile())));
}

// GNOME before 48 without the extension: no trigger of the platform's, no active window, keys
// through the remote desktop session; the settings hear of it.
TEST(GnomeWaylandPlatform, WithoutTheExtensionKeysGoThroughTheRemoteDesktop)
{
    GnomeSessionEnvironment session;
    FakePortal portal(FakePortal::Desktop::Gnome47, 2);
    platform::WaylandPlatform system;
    EXPECT_FALSE(system.CanGrabTrigger());
    EXPECT_FALSE(system.CanTellActiveProcess());
    EXPECT_TRUE(system.CanSendInput());
    const auto extension = system.GetShellExtension();
    EXPECT_FALSE(extension.active);
    EXPECT_TRUE(extension.remoteDesktop);
    ASSERT_TRUE(Eventually([&] { return portal.Calls().size() == 4; }));
    EXPECT_EQ(portal.Calls().constFirst(), "Register org.quorvel.Quorvel");
    ASSERT_TRUE(Eventually(
        [&] { return QFile::exists(session.ConfigFolder() + "/quorvel/remote-desktop-token"); }));

    // The layout's S through the seat's key codes (no seat here: the US places).
    system.SendKeyEvent('S', false);
    system.SendKeyEvent('S', true);
    ASSERT_TRUE(Eventually([&] { return portal.Calls().size() == 6; }));
    EXPECT_TRUE(portal.Calls().at(4).startsWith("key 31 1"));
    EXPECT_TRUE(portal.Calls().at(5).startsWith("key 31 0"));
}

} // namespace
