// The Wayland platform against a compositor played by the test on a thread of its own: a seat
// and the foreign-toplevel list, with a focused window of another program and one of this
// program's, and the activations asked of it recorded.
#include "platform/wayland/WaylandPlatform.h"
#include "ScopedEnvironment.h"
#include "wlr-foreign-toplevel-management-unstable-v1-server-protocol.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <wayland-server.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

class FakeCompositor
{
public:
    // On a socket named "wayland-test" in runtimeDir; the windows' application ids, the first
    // one activated.
    FakeCompositor(const std::string& runtimeDir, std::vector<std::string> appIds)
        : appIds_(std::move(appIds))
    {
        display_ = wl_display_create();
        ScopedEnvironment environment;
        environment.Set("XDG_RUNTIME_DIR", runtimeDir);
        EXPECT_EQ(wl_display_add_socket(display_, "wayland-test"), 0);
        wl_global_create(display_, &wl_seat_interface, 1, this, BindSeat);
        wl_global_create(display_, &zwlr_foreign_toplevel_manager_v1_interface, 3, this,
                         BindManager);
        thread_ = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(display_);
            while (!stop_) {
                wl_event_loop_dispatch(loop, 20);
                wl_display_flush_clients(display_);
            }
        });
    }
    ~FakeCompositor()
    {
        stop_ = true;
        thread_.join();
        wl_display_destroy_clients(display_);
        wl_display_destroy(display_);
    }
    // The application ids of the windows activation was asked for, in turn.
    std::vector<std::string> Activated()
    {
        std::lock_guard lock(mutex_);
        return activated_;
    }

private:
    static void BindSeat(wl_client* client, void*, std::uint32_t version, std::uint32_t id)
    {
        static const struct wl_seat_interface seat = {
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {},
            [](wl_client*, wl_resource*, std::uint32_t) {}, nullptr};
        wl_resource* resource =
            wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(resource, &seat, nullptr, nullptr);
        wl_seat_send_capabilities(resource, 0);
    }

    static void BindManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id)
    {
        static const struct zwlr_foreign_toplevel_manager_v1_interface manager = {
            [](wl_client*, wl_resource*) {}};
        static const struct zwlr_foreign_toplevel_handle_v1_interface handle = {
            [](wl_client*, wl_resource*) {}, [](wl_client*, wl_resource*) {},
            [](wl_client*, wl_resource*) {}, [](wl_client*, wl_resource*) {},
            // activate
            [](wl_client*, wl_resource* resource, wl_resource*) {
                auto* self = static_cast<FakeCompositor*>(wl_resource_get_user_data(resource));
                std::lock_guard lock(self->mutex_);
                self->activated_.push_back(self->appIdOf_[resource]);
            },
            [](wl_client*, wl_resource*) {},
            [](wl_client*, wl_resource*, wl_resource*, std::int32_t, std::int32_t, std::int32_t,
               std::int32_t) {},
            [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
            [](wl_client*, wl_resource*, wl_resource*) {}, [](wl_client*, wl_resource*) {}};
        auto* self = static_cast<FakeCompositor*>(data);
        wl_resource* resource = wl_resource_create(
            client, &zwlr_foreign_toplevel_manager_v1_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(resource, &manager, self, nullptr);
        bool first = true;
        for (const std::string& appId : self->appIds_) {
            wl_resource* window = wl_resource_create(
                client, &zwlr_foreign_toplevel_handle_v1_interface, static_cast<int>(version), 0);
            wl_resource_set_implementation(window, &handle, self, nullptr);
            self->appIdOf_[window] = appId;
            zwlr_foreign_toplevel_manager_v1_send_toplevel(resource, window);
            zwlr_foreign_toplevel_handle_v1_send_title(window, "a title never read");
            zwlr_foreign_toplevel_handle_v1_send_app_id(window, appId.c_str());
            wl_array states;
            wl_array_init(&states);
            if (first) {
                *static_cast<std::uint32_t*>(wl_array_add(&states, sizeof(std::uint32_t))) =
                    ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
            }
            zwlr_foreign_toplevel_handle_v1_send_state(window, &states);
            wl_array_release(&states);
            zwlr_foreign_toplevel_handle_v1_send_done(window);
            first = false;
        }
    }

    std::vector<std::string> appIds_;
    wl_display* display_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::map<wl_resource*, std::string> appIdOf_;
    std::vector<std::string> activated_;
};

// The application id the toolkit gives this program's windows: no desktop entry is set for the
// tests, so the executable's name.
std::string OwnAppId()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).baseName().toStdString();
}

} // namespace

TEST(ForeignToplevels, WithoutSwaysIpcTheActiveWindowComesFromTheToplevelList)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    FakeCompositor compositor(runtime.path().toStdString(), {"org.gnome.gedit", OwnAppId()});
    ScopedEnvironment environment;
    environment.Set("SWAYSOCK", std::nullopt);
    environment.Set("XDG_RUNTIME_DIR", runtime.path().toStdString());
    environment.Set("WAYLAND_DISPLAY", "wayland-test");
    {
        platform::WaylandPlatform system;
        EXPECT_FALSE(system.CanGrabTrigger());
        EXPECT_TRUE(system.CanTellActiveProcess());
        EXPECT_FALSE(system.CanSendInput());
        EXPECT_EQ(system.GetWindowManagerName(), "");

        // The focused window's program is known by its application id; its process is not.
        const platform::WindowId focused = system.GetForegroundWindow();
        ASSERT_NE(focused, 0u);
        EXPECT_EQ(system.GetWindowIdentity(focused).desktopId, "org.gnome.gedit");
        EXPECT_EQ(system.GetWindowProcessId(focused), 0u);
        EXPECT_EQ(system.GetWindowTitle(focused), "");
        const std::vector<platform::WindowId> windows = system.GetTopLevelWindows();
        ASSERT_EQ(windows.size(), 2u);
        EXPECT_EQ(windows[0], focused);
        // This program's own window, by the application id the toolkit gives it.
        EXPECT_EQ(system.GetWindowProcessId(windows[1]), system.GetCurrentProcessId());

        system.SetForegroundWindow(focused);
        EXPECT_TRUE(system.WaitUntilFocused(focused, 0));
        EXPECT_FALSE(system.WaitUntilFocused(windows[1], 50));
    }
    // The request reached the compositor before the platform went.
    for (int wait = 0; wait < 100 && compositor.Activated().empty(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(compositor.Activated(), std::vector<std::string>{"org.gnome.gedit"});
}
