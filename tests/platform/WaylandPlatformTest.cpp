#include "platform/wayland/SwayProtocol.h"
#include "platform/wayland/WaylandPlatform.h"
#include "ScopedEnvironment.h"

#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <thread>

using namespace platform::wayland;

namespace {

// sway's IPC socket, played on a thread of its own (the platform waits for answers): a tree with
// one focused window, numbered windowId; every command succeeds and is recorded.
class FakeSway
{
public:
    explicit FakeSway(const std::string& path, int windowId = 12) : windowId_(windowId)
    {
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(listener_, 4), 0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeSway()
    {
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
    }
    std::vector<std::string> Commands()
    {
        std::lock_guard lock(mutex_);
        return commands_;
    }

private:
    void Serve()
    {
        std::vector<std::thread> clients;
        for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0;) {
            clients.emplace_back([this, client] { Answer(client); });
        }
        for (auto& client : clients) {
            client.join();
        }
    }
    void Answer(int client)
    {
        SwayMessageReader reader;
        char buffer[4096];
        for (ssize_t got; (got = read(client, buffer, sizeof buffer)) > 0;) {
            reader.Append(QByteArray(buffer, static_cast<int>(got)));
            while (auto message = reader.Next()) {
                QByteArray answer = R"({"success": true})";
                if (message->type == static_cast<std::uint32_t>(SwayRequest::GetTree)) {
                    answer = QByteArray(R"({"id": 1, "nodes": [{"id": )") +
                             QByteArray::number(windowId_) +
                             R"(, "type": "con", "pid": 4321,
                                 "app_id": "org.gnome.gedit", "focused": true}]})";
                } else if (message->type == static_cast<std::uint32_t>(SwayRequest::RunCommand)) {
                    std::lock_guard lock(mutex_);
                    commands_.push_back(message->payload.toStdString());
                    answer = R"([{"success": true}])";
                } else if (message->type == static_cast<std::uint32_t>(SwayRequest::Subscribe)) {
                    // The event socket stays open until the platform goes.
                }
                const QByteArray reply = EncodeSwayMessage(message->type, answer);
                if (write(client, reply.constData(), reply.size()) != reply.size()) {
                    break;
                }
            }
        }
        close(client);
    }

    int windowId_;
    int listener_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> commands_;
};

} // namespace

TEST(WaylandPlatform, WithoutACompositorNothingIsClaimed)
{
    ScopedEnvironment environment;
    environment.Set("SWAYSOCK", std::nullopt);
    environment.Set("WAYLAND_DISPLAY", std::nullopt);
    // Nor a session bus with a desktop portal or KWin.
    environment.Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    platform::WaylandPlatform system;
    EXPECT_FALSE(platform::WaylandPlatform::IsWaylandSession());
    EXPECT_FALSE(system.CanGrabTrigger());
    EXPECT_FALSE(system.CanTellActiveProcess());
    EXPECT_FALSE(system.CanSendInput());
    EXPECT_FALSE(system.CanKeepAbove());
    EXPECT_FALSE(system.RegisterHotKey(platform::ModWin, 'Q', [] {}));
    EXPECT_EQ(system.GetForegroundWindow(), 0u);
    EXPECT_FALSE(system.WatchForegroundWindow([] {}));
    // Held keys are refused while no window of the program is active.
    std::uint8_t state[256];
    EXPECT_FALSE(system.GetKeyboardState(state));
}

TEST(WaylandPlatform, OnSwayTheTriggerIsBoundAndTheFocusedWindowKnown)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("sway.sock")).toStdString();
    FakeSway sway(path);
    ScopedEnvironment environment;
    environment.Set("SWAYSOCK", path);
    environment.Set("WAYLAND_DISPLAY", std::nullopt);
    {
        platform::WaylandPlatform system;
        EXPECT_TRUE(system.CanGrabTrigger());
        EXPECT_TRUE(system.CanTellActiveProcess());
        EXPECT_FALSE(system.CanSendInput());
        EXPECT_EQ(system.GetWindowManagerName(), "sway");

        const platform::WindowId focused = system.GetForegroundWindow();
        EXPECT_NE(focused, 0u);
        EXPECT_EQ(system.GetWindowProcessId(focused), 4321u);
        EXPECT_EQ(system.GetWindowIdentity(focused).desktopId, "org.gnome.gedit");
        EXPECT_TRUE(system.IsWindowVisible(focused));
        EXPECT_EQ(system.GetTopLevelWindows(), std::vector<platform::WindowId>{focused});

        ASSERT_TRUE(system.RegisterHotKey(platform::ModWin | platform::ModControl, 'Q', [] {}));
        system.UnregisterHotKey(platform::ModWin | platform::ModControl, 'Q');
        system.SetForegroundWindow(focused);
    }
    const std::vector<std::string> commands = sway.Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].rfind("bindsym --no-repeat Mod4+Ctrl+q \"exec '", 0), 0u) << commands[0];
    EXPECT_NE(commands[0].find("' '--show'\""), std::string::npos) << commands[0];
    EXPECT_EQ(commands[1], "unbindsym --no-repeat Mod4+Ctrl+q");
    EXPECT_EQ(commands[2], "[con_id=12] focus");
}

TEST(WaylandPlatform, TheCompositorsWindowsAreNeverTakenForThisProgramsOwn)
{
    // The toolkit numbers this program's windows from 1, as sway numbers its containers: a sway
    // window with the number of one of them is still the other program's.
    QWindow own;
    own.create();
    const auto ownId = static_cast<platform::WindowId>(own.winId());
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.filePath(QStringLiteral("sway.sock")).toStdString();
    FakeSway sway(path, static_cast<int>(ownId));
    ScopedEnvironment environment;
    environment.Set("SWAYSOCK", path);
    environment.Set("WAYLAND_DISPLAY", std::nullopt);
    {
        platform::WaylandPlatform system;
        const platform::WindowId focused = system.GetForegroundWindow();
        EXPECT_NE(focused, ownId);
        EXPECT_EQ(system.GetWindowProcessId(focused), 4321u);
        EXPECT_EQ(system.GetWindowProcessId(ownId), system.GetCurrentProcessId());
        EXPECT_TRUE(system.GetWindowIdentity(ownId).classes.empty());
        // Focusing the other program's window asks sway; focusing the own one does not.
        system.SetForegroundWindow(focused);
        system.SetForegroundWindow(ownId);
    }
    EXPECT_EQ(sway.Commands(),
              std::vector<std::string>{"[con_id=" + std::to_string(ownId) + "] focus"});
}
