// GNOME on Wayland without Quorvel's Shell extension: the X11 windows XWayland shows are known
// and take keys through XTest, Wayland windows take them through the portal's remote desktop
// (played on a private session bus), and XWayland's display is a fake the test drives.
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/linux/XWayland.h"
#include "platform/wayland/WaylandPlatform.h"
#include "FakePortal.h"
#include "GnomeSessionEnvironment.h"

#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

using fake::Eventually;
using fake::FakePortal;

namespace {

class FakeXWayland : public platform::XWaylandWindows
{
public:
    std::optional<Facts> Active() override { return active; }
    void Watch(std::function<void()> onChange) override { onChange_ = std::move(onChange); }
    bool ActiveHasInputFocus() override { return active && inputFocus; }
    bool IsKeyDown(unsigned xKeyCode) override { return held.contains(xKeyCode); }
    bool CanSend() const override { return true; }
    void SendKey(unsigned xKeyCode, bool down) override
    {
        keys.append(QStringLiteral("key %1 %2").arg(xKeyCode).arg(down ? 1 : 0));
    }
    // The window manager made another window active.
    void Activate(std::optional<Facts> window)
    {
        active = std::move(window);
        if (onChange_) {
            onChange_();
        }
    }

    std::optional<Facts> active;
    bool inputFocus = true;
    // The keys the user holds down.
    QSet<unsigned> held;
    QStringList keys;

private:
    std::function<void()> onChange_;
};

FakeXWayland::Facts Terminal()
{
    FakeXWayland::Facts terminal;
    terminal.id = 0x1a00007;
    terminal.pid = 4242;
    terminal.identity.classes = {"xterm", "XTerm"};
    terminal.identity.desktopId = "debian-xterm";
    return terminal;
}

class XWaylandTest : public ::testing::Test
{
protected:
    std::unique_ptr<platform::WaylandPlatform> Open()
    {
        return std::make_unique<platform::WaylandPlatform>([this] {
            auto display = std::make_unique<FakeXWayland>();
            display->active = Terminal();
            xwayland_ = display.get();
            return display;
        });
    }
    // The keys the portal was sent, as "key CODE STATE".
    static QStringList PortalKeys(FakePortal& portal)
    {
        QStringList keys;
        for (const QString& call : portal.Calls()) {
            if (call.startsWith(QLatin1String("key "))) {
                keys.append(call.section(QLatin1Char(' '), 0, 2));
            }
        }
        return keys;
    }
    // Ctrl+S as the carry-out gesture sends it: the Ctrl the user holds released first.
    static void SendCtrlS(platform::Platform& system)
    {
        system.SendKeyEvent(vk::LControl, true);
        system.SendKeyEvent(vk::LControl, false);
        system.SendKeyEvent('S', false);
        system.SendKeyEvent('S', true);
        system.SendKeyEvent(vk::LControl, true);
    }

    GnomeSessionEnvironment session_;
    FakeXWayland* xwayland_ = nullptr;
};

TEST_F(XWaylandTest, TheActiveX11WindowIsTheForegroundProgramAndItsChangesAreTold)
{
    FakePortal portal(FakePortal::Desktop::Gnome47, 0);
    auto system = Open();
    ASSERT_NE(xwayland_, nullptr);
    EXPECT_TRUE(system->CanTellActiveProcess());
    EXPECT_TRUE(system->CanSendInput());
    const auto extension = system->GetShellExtension();
    EXPECT_FALSE(extension.active);
    EXPECT_FALSE(extension.remoteDesktop);
    EXPECT_TRUE(extension.x11Windows);

    const platform::WindowId terminal = system->GetForegroundWindow();
    ASSERT_NE(terminal, 0u);
    EXPECT_EQ(system->GetWindowProcessId(terminal), 4242u);
    const auto identity = system->GetWindowIdentity(terminal);
    EXPECT_EQ(identity.desktopId, "debian-xterm");
    EXPECT_EQ(identity.classes, (std::vector<std::string>{"xterm", "XTerm"}));
    EXPECT_TRUE(system->IsWindowVisible(terminal));

    int changes = 0;
    ASSERT_TRUE(system->WatchForegroundWindow([&] { ++changes; }));
    // A Wayland window took the focus: none is known, the terminal still is by its id.
    xwayland_->Activate(std::nullopt);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(system->GetForegroundWindow(), 0u);
    EXPECT_EQ(system->GetWindowProcessId(terminal), 4242u);
    xwayland_->Activate(Terminal());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(system->GetForegroundWindow(), terminal);
}

TEST_F(XWaylandTest, KeysGoByXTestIntoAnX11WindowAndThroughTheRemoteDesktopIntoOthers)
{
    FakePortal portal(FakePortal::Desktop::Gnome47, 2);
    auto system = Open();
    ASSERT_TRUE(Eventually([&] { return system->GetShellExtension().remoteDesktop; }));
    EXPECT_TRUE(system->GetShellExtension().x11Windows);

    // X key codes: evdev KEY_LEFTCTRL (29) and KEY_S (31), + 8. The user still holds Ctrl in
    // XWayland: the keys wait until it is released.
    xwayland_->held = {37};
    SendCtrlS(*system);
    EXPECT_FALSE(Eventually([&] { return !xwayland_->keys.isEmpty(); }, 300));
    xwayland_->held.clear();
    ASSERT_TRUE(Eventually([&] { return xwayland_->keys.size() == 4; }));
    EXPECT_EQ(xwayland_->keys, (QStringList{"key 37 1", "key 39 1", "key 39 0", "key 37 0"}));
    EXPECT_TRUE(PortalKeys(portal).isEmpty());

    // A Wayland window has the focus: the portal types the keys.
    xwayland_->keys.clear();
    xwayland_->Activate(std::nullopt);
    SendCtrlS(*system);
    ASSERT_TRUE(Eventually([&] { return PortalKeys(portal).size() == 4; }));
    EXPECT_EQ(PortalKeys(portal), (QStringList{"key 29 1", "key 31 1", "key 31 0", "key 29 0"}));
    EXPECT_TRUE(xwayland_->keys.isEmpty());
}

TEST_F(XWaylandTest, KeysWaitForTheX11WindowToHoldTheInputFocus)
{
    FakePortal portal(FakePortal::Desktop::Gnome47, 0);
    auto system = Open();
    // The window manager names the window active before XWayland moved the focus into it.
    xwayland_->inputFocus = false;
    system->SendKeyEvent('S', false);
    system->SendKeyEvent('S', true);
    EXPECT_FALSE(Eventually([&] { return !xwayland_->keys.isEmpty(); }, 100));
    xwayland_->inputFocus = true;
    ASSERT_TRUE(Eventually([&] { return xwayland_->keys.size() == 2; }));

    // Without an X11 window and without the remote desktop, nothing is typed anywhere.
    xwayland_->keys.clear();
    xwayland_->Activate(std::nullopt);
    system->SendKeyEvent('S', false);
    system->SendKeyEvent('S', true);
    EXPECT_FALSE(Eventually([&] { return !xwayland_->keys.isEmpty(); }, 500));
    EXPECT_TRUE(PortalKeys(portal).isEmpty());
}

TEST_F(XWaylandTest, WithoutXWaylandNoWindowIsKnown)
{
    FakePortal portal(FakePortal::Desktop::Gnome47, 0);
    platform::WaylandPlatform system([] { return nullptr; });
    EXPECT_FALSE(system.CanTellActiveProcess());
    EXPECT_FALSE(system.CanSendInput());
    EXPECT_FALSE(system.GetShellExtension().x11Windows);
    EXPECT_EQ(system.GetForegroundWindow(), 0u);
}

} // namespace
