#include "platform/wayland/KWinFakeInput.h"

#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <cstring>

namespace platform::wayland {

namespace {
// keyboard_key came with version 4.
constexpr std::uint32_t KeyVersion = 4;
} // namespace

struct KWinFakeInput::Listener
{
    static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version)
    {
        auto& self = *static_cast<KWinFakeInput*>(data);
        if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
            version >= KeyVersion && !self.fakeInput_) {
            self.fakeInput_ = static_cast<org_kde_kwin_fake_input*>(
                wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, KeyVersion));
        }
    }
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
    static constexpr wl_registry_listener Registry = {OnGlobal, OnGlobalRemove};
};

KWinFakeInput::KWinFakeInput(wl_display* display) : display_(display) {}

KWinFakeInput::~KWinFakeInput()
{
    if (fakeInput_) {
        org_kde_kwin_fake_input_destroy(fakeInput_);
    }
    if (registry_) {
        wl_registry_destroy(registry_);
    }
    wl_display_flush(display_);
}

std::unique_ptr<KWinFakeInput> KWinFakeInput::Open(wl_display* display)
{
    if (!display) {
        return nullptr;
    }
    std::unique_ptr<KWinFakeInput> input(new KWinFakeInput(display));
    input->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(input->registry_, &Listener::Registry, input.get());
    if (wl_display_roundtrip(display) < 0 || !input->fakeInput_) {
        return nullptr;
    }
    // KWin takes no event from a client that has not said who it is.
    org_kde_kwin_fake_input_authenticate(input->fakeInput_, "Quorvel", "");
    wl_display_flush(display);
    return input;
}

bool KWinFakeInput::CanSend() const
{
    return fakeInput_ != nullptr;
}

void KWinFakeInput::SendKey(unsigned xKeyCode, bool down)
{
    // X key codes are evdev codes moved up by 8.
    if (xKeyCode < 8) {
        return;
    }
    org_kde_kwin_fake_input_keyboard_key(fakeInput_, xKeyCode - 8,
                                         down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                              : WL_KEYBOARD_KEY_STATE_RELEASED);
    wl_display_flush(display_);
}

} // namespace platform::wayland
