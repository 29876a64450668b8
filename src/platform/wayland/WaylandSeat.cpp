#include "platform/wayland/WaylandSeat.h"

#include "platform/linux/Log.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QStringList>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace platform::wayland {

namespace {
// A keymap larger than this is no keymap.
constexpr std::uint32_t MaxKeymapSize = 4u << 20;

// Whether the keymap has the alphanumeric block of a keyboard, by its keys' position names.
bool PlacesLetterKeys(xkb_keymap* keymap)
{
    for (const char* name : {"AE01", "AD01", "AC01", "AB01"}) {
        if (xkb_keymap_key_by_name(keymap, name) == XKB_KEYCODE_INVALID) {
            return false;
        }
    }
    return true;
}
} // namespace

struct WaylandSeat::State
{
    WaylandSeat* owner = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    SurfaceInput* input = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
    zwp_virtual_keyboard_v1* virtualKeyboard = nullptr;
    std::string keymapText;
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~State()
    {
        notifier.reset();
        if (virtualKeyboard) {
            zwp_virtual_keyboard_v1_destroy(virtualKeyboard);
        }
        if (manager) {
            zwp_virtual_keyboard_manager_v1_destroy(manager);
        }
        if (keyboard) {
            wl_keyboard_destroy(keyboard);
        }
        if (pointer) {
            wl_pointer_destroy(pointer);
        }
        if (seat) {
            wl_seat_destroy(seat);
        }
        if (registry) {
            wl_registry_destroy(registry);
        }
        if (display) {
            wl_display_disconnect(display);
        }
        xkb_state_unref(keyState);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }

    void TakeKeymap(std::string text)
    {
        // The compositor sends the keymap again whenever another keyboard of the seat is used,
        // the virtual keyboard too: the same one is nothing new.
        if (text == keymapText) {
            return;
        }
        xkb_keymap* read = xkb_keymap_new_from_string(
            context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!read) {
            qCWarning(lcPlatform) << "the compositor's keymap cannot be read";
            return;
        }
        // A typing tool's keyboard (wtype) comes with a keymap of the few keys it types: the
        // seat's layout stays.
        if (!PlacesLetterKeys(read)) {
            xkb_keymap_unref(read);
            return;
        }
        xkb_state_unref(keyState);
        xkb_keymap_unref(keymap);
        keymap = read;
        keyState = xkb_state_new(keymap);
        keymapText = std::move(text);
        owner->mapping_ = xkb::KeyMapping(keymap, 0, LayoutNamesOfKeymap(keymapText));
        ++owner->revision_;
        virtualKeyboardHasKeymap = false;
        if (owner->onKeymap_) {
            owner->onKeymap_();
        }
    }

    // The virtual keyboard, made once there is a seat and a keymap, types in the user's layout.
    bool ReadyVirtualKeyboard()
    {
        if (!manager || !seat || keymapText.empty()) {
            return false;
        }
        if (!virtualKeyboard) {
            virtualKeyboard =
                zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
        }
        if (!virtualKeyboardHasKeymap) {
            const int fd = memfd_create("quorvel-keymap", MFD_CLOEXEC);
            if (fd < 0) {
                return false;
            }
            const auto size = keymapText.size() + 1;
            const bool written = write(fd, keymapText.c_str(), size) == static_cast<ssize_t>(size);
            if (written) {
                zwp_virtual_keyboard_v1_keymap(virtualKeyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1,
                                               fd, static_cast<std::uint32_t>(size));
            }
            close(fd);
            virtualKeyboardHasKeymap = written;
        }
        return virtualKeyboardHasKeymap;
    }

    bool virtualKeyboardHasKeymap = false;
};

namespace {

void OnKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd, std::uint32_t size)
{
    auto* state = static_cast<WaylandSeat::State*>(data);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0 || size > MaxKeymapSize) {
        close(fd);
        return;
    }
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        return;
    }
    std::string text(static_cast<const char*>(mapped),
                     strnlen(static_cast<const char*>(mapped), size));
    munmap(mapped, size);
    state->TakeKeymap(std::move(text));
}

SurfaceInput* InputOf(void* data)
{
    return static_cast<WaylandSeat::State*>(data)->input;
}

// The keyboard has the focus only while a surface of this connection has it. Key codes are
// evdev's: X key codes are those moved up by 8.
void OnEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array* keys)
{
    if (SurfaceInput* input = InputOf(data)) {
        const auto* first = static_cast<const std::uint32_t*>(keys->data);
        std::vector<unsigned> held;
        for (std::size_t i = 0; i < keys->size / sizeof(std::uint32_t); ++i) {
            held.push_back(first[i] + 8);
        }
        input->KeyboardEntered(surface, held);
    }
}

void OnLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface)
{
    if (SurfaceInput* input = InputOf(data)) {
        input->KeyboardLeft(surface);
    }
}

void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
           std::uint32_t keyState)
{
    if (SurfaceInput* input = InputOf(data)) {
        input->Key(key + 8, keyState == WL_KEYBOARD_KEY_STATE_PRESSED);
    }
}

void OnModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t)
{
}

const wl_keyboard_listener KeyboardListener = {OnKeymap, OnEnter,     OnLeave,
                                               OnKey,    OnModifiers, nullptr};

void OnPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                    wl_fixed_t x, wl_fixed_t y)
{
    if (SurfaceInput* input = InputOf(data)) {
        input->PointerEntered(surface, serial, wl_fixed_to_double(x), wl_fixed_to_double(y));
    }
}

void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface* surface)
{
    if (SurfaceInput* input = InputOf(data)) {
        input->PointerLeft(surface);
    }
}

void OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    if (SurfaceInput* input = InputOf(data)) {
        input->PointerMoved(wl_fixed_to_double(x), wl_fixed_to_double(y));
    }
}

void OnPointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                     std::uint32_t buttonState)
{
    if (SurfaceInput* input = InputOf(data)) {
        input->Button(button, buttonState == WL_POINTER_BUTTON_STATE_PRESSED);
    }
}

void OnPointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}

// The seat is bound at version 1: the later events never come.
const wl_pointer_listener PointerListener = {
    OnPointerEnter, OnPointerLeave, OnPointerMotion, OnPointerButton, OnPointerAxis,
    nullptr,        nullptr,        nullptr,         nullptr,         nullptr};

void OnCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities)
{
    auto* state = static_cast<WaylandSeat::State*>(data);
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !state->keyboard) {
        state->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(state->keyboard, &KeyboardListener, state);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !state->pointer) {
        state->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(state->pointer, &PointerListener, state);
    }
}

const wl_seat_listener SeatListener = {OnCapabilities, nullptr};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t)
{
    auto* state = static_cast<WaylandSeat::State*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !state->seat) {
        state->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(state->seat, &SeatListener, state);
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 &&
               !state->manager) {
        state->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

} // namespace

WaylandSeat::WaylandSeat() : state_(std::make_unique<State>())
{
    state_->owner = this;
}

WaylandSeat::~WaylandSeat() = default;

std::unique_ptr<WaylandSeat> WaylandSeat::Connect(std::function<void()> onKeymap)
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return nullptr;
    }
    std::unique_ptr<WaylandSeat> seat(new WaylandSeat());
    State& state = *seat->state_;
    state.display = wl_display_connect(nullptr);
    if (!state.display) {
        qCWarning(lcPlatform) << "cannot connect to the Wayland compositor";
        return nullptr;
    }
    state.context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    state.registry = wl_display_get_registry(state.display);
    wl_registry_add_listener(state.registry, &RegistryListener, &state);
    // The globals, then the seat's capabilities, then the keyboard's keymap.
    for (int round = 0; round < 3; ++round) {
        if (wl_display_roundtrip(state.display) < 0) {
            return nullptr;
        }
    }
    // A seat without a keyboard yet sends no keymap: the compositor's default, from the XKB_DEFAULT
    // variables as it reads them, until a keyboard comes.
    if (state.keymapText.empty()) {
        if (xkb_keymap* defaults =
                xkb_keymap_new_from_names(state.context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS)) {
            char* text = xkb_keymap_get_as_string(defaults, XKB_KEYMAP_FORMAT_TEXT_V1);
            xkb_keymap_unref(defaults);
            if (text) {
                state.TakeKeymap(text);
                std::free(text);
            }
        }
    }
    seat->onKeymap_ = std::move(onKeymap);
    state.notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(state.display), QSocketNotifier::Read);
    QObject::connect(state.notifier.get(), &QSocketNotifier::activated, state.notifier.get(),
                     [raw = seat.get()] { raw->Dispatch(); });
    return seat;
}

void WaylandSeat::Dispatch()
{
    if (wl_display_dispatch(state_->display) < 0) {
        qCWarning(lcPlatform) << "the Wayland connection of the platform broke";
        state_->notifier->setEnabled(false);
    }
}

bool WaylandSeat::CanSend() const
{
    return state_->manager && state_->seat;
}

void WaylandSeat::SendKey(unsigned xKeyCode, bool down)
{
    // X key codes are evdev codes moved up by 8.
    if (xKeyCode < 8 || !state_->ReadyVirtualKeyboard()) {
        return;
    }
    const auto time = static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch());
    zwp_virtual_keyboard_v1_key(state_->virtualKeyboard, time, xKeyCode - 8,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                     : WL_KEYBOARD_KEY_STATE_RELEASED);
    // The modifiers the keys make, as a keyboard of the compositor's own would report them.
    xkb_state_update_key(state_->keyState, xKeyCode, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(
        state_->virtualKeyboard,
        xkb_state_serialize_mods(state_->keyState, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state_->keyState, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state_->keyState, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state_->keyState, XKB_STATE_LAYOUT_EFFECTIVE));
    wl_display_flush(state_->display);
}

bool IsKeyboardLayout(const std::string& keymapText)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        context, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const bool layout = keymap && PlacesLetterKeys(keymap);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return layout;
}

std::string LayoutNamesOfKeymap(const std::string& keymapText)
{
    const auto section = keymapText.find("xkb_symbols");
    if (section == std::string::npos) {
        return {};
    }
    const auto open = keymapText.find('"', section);
    const auto close = open == std::string::npos ? open : keymapText.find('"', open + 1);
    if (close == std::string::npos) {
        return {};
    }
    QStringList layouts;
    const QString symbols = QString::fromStdString(keymapText.substr(open + 1, close - open - 1));
    for (QString part : symbols.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        // "de:2" is the second group's layout, "us(intl)" a variant, "inet(evdev)" and "pc" no
        // layout at all.
        part = part.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('('), 0, 0);
        if (part.isEmpty() || part == QLatin1String("pc") || part == QLatin1String("inet") ||
            part.contains(QLatin1Char('_')) || part == QLatin1String("group") ||
            part == QLatin1String("level3") || part == QLatin1String("compose")) {
            continue;
        }
        layouts << part;
    }
    return layouts.join(QLatin1Char(',')).toStdString();
}

wl_display* WaylandSeat::Display() const
{
    return state_->display;
}

wl_seat* WaylandSeat::Seat() const
{
    return state_->seat;
}

wl_pointer* WaylandSeat::Pointer() const
{
    return state_->pointer;
}

void WaylandSeat::SetSurfaceInput(SurfaceInput* input)
{
    state_->input = input;
}

} // namespace platform::wayland
