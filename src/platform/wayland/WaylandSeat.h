#pragma once

#include "platform/linux/KeyMapping.h"
#include "platform/wayland/Sources.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct wl_display;
struct wl_seat;

// A connection of the platform's own to the compositor, apart from the toolkit's: the seat's
// keymap (sent to every keyboard, focused or not; no key of another program is ever sent to it)
// and, where the compositor offers it, a virtual keyboard with that keymap for synthetic keys.
namespace platform::wayland {

class WaylandSeat : public InputSender
{
public:
    // Connected to $WAYLAND_DISPLAY; null when that fails. onKeymap runs whenever the compositor
    // sends a keymap, after the mapping is rebuilt.
    static std::unique_ptr<WaylandSeat> Connect(std::function<void()> onKeymap);
    ~WaylandSeat() override;
    WaylandSeat(const WaylandSeat&) = delete;
    WaylandSeat& operator=(const WaylandSeat&) = delete;

    const xkb::KeyMapping& Mapping() const { return mapping_; }
    std::uint64_t Revision() const { return revision_; }
    bool CanSend() const override;
    // The connection and its seat, for other protocols on it; the seat dispatches its events.
    wl_display* Display() const;
    wl_seat* Seat() const;
    void SendKey(unsigned xKeyCode, bool down) override;

    struct State;

private:
    WaylandSeat();
    void Dispatch();

    std::unique_ptr<State> state_;
    xkb::KeyMapping mapping_;
    std::uint64_t revision_ = 0;
    std::function<void()> onKeymap_;

    friend struct State;
};

// Whether a keymap's text is a keyboard's layout, which the seat's keymap is taken from: one that
// places the letter and digit keys (a typing tool's names its few keys by number).
bool IsKeyboardLayout(const std::string& keymapText);

// The XKB layout names ("us,de") of a keymap's text, from the symbols its compiler included
// ("pc+us+de:2+inet(evdev)"); empty when it names none.
std::string LayoutNamesOfKeymap(const std::string& keymapText);

} // namespace platform::wayland
