#pragma once

#include "platform/linux/KeyMapping.h"
#include "platform/wayland/Sources.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_pointer;
struct wl_seat;
struct wl_surface;

// A connection of the platform's own to the compositor, apart from the toolkit's: the seat's
// keymap (sent to every keyboard, focused or not; no key of another program is ever sent to it),
// the input that reaches this connection's own surfaces, and, where the compositor offers it, a
// virtual keyboard with that keymap for synthetic keys.
namespace platform::wayland {

// The keyboard and pointer input of a surface of the connection: the compositor sends its
// keyboard's keys only while such a surface has the keyboard focus. Keys are X key codes;
// buttons the kernel's (BTN_LEFT); places in the surface's coordinates.
class SurfaceInput
{
public:
    virtual ~SurfaceInput() = default;
    // The keys held as the keyboard came, in the order the compositor gave them.
    virtual void KeyboardEntered(wl_surface* surface, const std::vector<unsigned>& keysHeld) = 0;
    virtual void KeyboardLeft(wl_surface* surface) = 0;
    virtual void Key(unsigned xKeyCode, bool down) = 0;
    // serial: the entry's, for the cursor the surface shows (wl_pointer_set_cursor).
    virtual void PointerEntered(wl_surface* surface, std::uint32_t serial, double x, double y) = 0;
    virtual void PointerMoved(double x, double y) = 0;
    virtual void PointerLeft(wl_surface* surface) = 0;
    virtual void Button(unsigned button, bool down) = 0;
};

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
    // The seat's pointer; null while it has none.
    wl_pointer* Pointer() const;
    void SendKey(unsigned xKeyCode, bool down) override;
    // Where the input of the connection's surfaces goes; null: nowhere.
    void SetSurfaceInput(SurfaceInput* input);

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
