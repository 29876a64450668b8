#pragma once

#include "platform/wayland/Sources.h"
#include "platform/wayland/ToplevelList.h"

#include <QObject>

#include <map>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace platform::wayland {

// The windows of a wlroots compositor (labwc, river, Hyprland, sway too) through
// zwlr_foreign_toplevel_manager_v1: the activated one is focused. The protocol tells each window's
// application id, never its process: a window's program is known by its desktop entry alone.
class ForeignToplevels : public ActiveWindowSource
{
public:
    // On a connection whose events someone else dispatches (the platform's seat), with the seat
    // windows are activated on; null where the compositor does not offer the protocol.
    static std::unique_ptr<ForeignToplevels> Open(wl_display* display, wl_seat* seat);
    ~ForeignToplevels() override;
    ForeignToplevels(const ForeignToplevels&) = delete;
    ForeignToplevels& operator=(const ForeignToplevels&) = delete;

    std::optional<Toplevel> Focused() override;
    void Watch(std::function<void()> onChange) override;
    std::vector<Toplevel> Windows() override;
    std::optional<Toplevel> Find(std::int64_t id) override;
    void Activate(std::int64_t id) override;

    struct Listener;

private:
    ForeignToplevels(wl_display* display, wl_seat* seat);
    void OnToplevel(zwlr_foreign_toplevel_handle_v1* handle);
    // After the compositor's event is handled: the watcher may run a nested event loop.
    void NotifyLater();

    wl_display* display_;
    wl_seat* seat_;
    wl_registry* registry_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    ToplevelList list_;
    std::map<std::int64_t, zwlr_foreign_toplevel_handle_v1*> handles_;
    std::function<void()> onChange_;
    QObject notifier_;

    friend struct Listener;
};

} // namespace platform::wayland
