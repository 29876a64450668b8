#include "platform/wayland/ForeignToplevels.h"

#include "platform/linux/Log.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace platform::wayland {

namespace {
// The newest version whose events this reads; version 3 adds the parent, not needed here.
constexpr std::uint32_t ManagerVersion = 3;
} // namespace

// The compositor's events, forwarded to the list.
struct ForeignToplevels::Listener
{
    static ForeignToplevels& Of(void* data) { return *static_cast<ForeignToplevels*>(data); }

    static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version)
    {
        ForeignToplevels& self = Of(data);
        if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
            !self.manager_) {
            self.manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                                 std::min(version, ManagerVersion)));
            zwlr_foreign_toplevel_manager_v1_add_listener(self.manager_, &Manager, data);
        }
    }
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                           zwlr_foreign_toplevel_handle_v1* handle)
    {
        Of(data).OnToplevel(handle);
    }
    static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager)
    {
        ForeignToplevels& self = Of(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self.manager_ = nullptr;
    }

    static std::int64_t IdOf(ForeignToplevels& self, zwlr_foreign_toplevel_handle_v1* handle)
    {
        for (const auto& [id, known] : self.handles_) {
            if (known == handle) {
                return id;
            }
        }
        return 0;
    }

    // Other programs' titles are never read.
    static void OnTitle(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId)
    {
        ForeignToplevels& self = Of(data);
        self.list_.SetAppId(IdOf(self, handle), appId ? appId : "");
    }
    static void OnOutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OnOutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OnState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states)
    {
        ForeignToplevels& self = Of(data);
        bool activated = false;
        const auto* state = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof *state; ++i) {
            activated = activated || state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
        }
        self.list_.SetActivated(IdOf(self, handle), activated);
    }
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle)
    {
        ForeignToplevels& self = Of(data);
        if (self.list_.Done(IdOf(self, handle))) {
            self.NotifyLater();
        }
    }
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle)
    {
        ForeignToplevels& self = Of(data);
        const std::int64_t id = IdOf(self, handle);
        self.handles_.erase(id);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        if (self.list_.Remove(id)) {
            self.NotifyLater();
        }
    }
    static void OnParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*)
    {
    }

    static constexpr wl_registry_listener Registry = {OnGlobal, OnGlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener Manager = {OnToplevel, OnFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener Handle = {
        OnTitle, OnAppId, OnOutputEnter, OnOutputLeave, OnState, OnDone, OnClosed, OnParent};
};

ForeignToplevels::ForeignToplevels(wl_display* display, wl_seat* seat)
    : display_(display), seat_(seat)
{
}

ForeignToplevels::~ForeignToplevels()
{
    for (const auto& [id, handle] : handles_) {
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    if (manager_) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    }
    if (registry_) {
        wl_registry_destroy(registry_);
    }
    wl_display_flush(display_);
}

std::unique_ptr<ForeignToplevels> ForeignToplevels::Open(wl_display* display, wl_seat* seat)
{
    if (!display || !seat) {
        return nullptr;
    }
    std::unique_ptr<ForeignToplevels> toplevels(new ForeignToplevels(display, seat));
    toplevels->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(toplevels->registry_, &Listener::Registry, toplevels.get());
    // The globals, then the windows there are already with their state.
    for (int round = 0; round < 2; ++round) {
        if (wl_display_roundtrip(display) < 0) {
            return nullptr;
        }
    }
    if (!toplevels->manager_) {
        return nullptr;
    }
    return toplevels;
}

void ForeignToplevels::OnToplevel(zwlr_foreign_toplevel_handle_v1* handle)
{
    const std::int64_t id = list_.Add();
    handles_[id] = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &Listener::Handle, this);
}

void ForeignToplevels::NotifyLater()
{
    QMetaObject::invokeMethod(
        &notifier_,
        [this] {
            if (onChange_) {
                const auto onChange = onChange_;
                onChange();
            }
        },
        Qt::QueuedConnection);
}

std::optional<Toplevel> ForeignToplevels::Focused()
{
    return list_.Focused();
}

void ForeignToplevels::Watch(std::function<void()> onChange)
{
    onChange_ = std::move(onChange);
}

std::vector<Toplevel> ForeignToplevels::Windows()
{
    return list_.Windows();
}

std::optional<Toplevel> ForeignToplevels::Find(std::int64_t id)
{
    return list_.Find(id);
}

void ForeignToplevels::Activate(std::int64_t id)
{
    if (const auto found = handles_.find(id); found != handles_.end()) {
        zwlr_foreign_toplevel_handle_v1_activate(found->second, seat_);
        wl_display_flush(display_);
    }
}

} // namespace platform::wayland
