#pragma once

#include "platform/wayland/Sources.h"

#include <memory>

struct wl_display;
struct wl_registry;
struct org_kde_kwin_fake_input;

namespace platform::wayland {

// Synthetic keys through KWin's org_kde_kwin_fake_input (version 4 sends keys). KWin offers the
// protocol only to a program whose desktop entry lists it under X-KDE-Wayland-Interfaces; the
// keys go through KWin's own keymap, the seat's, which the key numbers come from.
class KWinFakeInput : public InputSender
{
public:
    // On a connection whose events someone else dispatches (the platform's seat); null where the
    // compositor does not offer the protocol to this program.
    static std::unique_ptr<KWinFakeInput> Open(wl_display* display);
    ~KWinFakeInput() override;
    KWinFakeInput(const KWinFakeInput&) = delete;
    KWinFakeInput& operator=(const KWinFakeInput&) = delete;

    bool CanSend() const override;
    void SendKey(unsigned xKeyCode, bool down) override;

    struct Listener;

private:
    explicit KWinFakeInput(wl_display* display);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    org_kde_kwin_fake_input* fakeInput_ = nullptr;

    friend struct Listener;
};

} // namespace platform::wayland
