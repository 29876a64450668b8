// A keyboard and a pointer for end-to-end tests on Wayland: a virtual keyboard with the default XKB
// keymap (the XKB_DEFAULT_* variables) and a virtual pointer that stay in the seat while it runs,
// so clients bind them at their start rather than racing the first keys. On KWin, which offers
// neither, KWin's fake input (its desktop entry must grant it), whose keys go through KWin's keymap
// (the same default). Reads commands from
// standard input, one a line: "press KEYSYM" or "release KEYSYM" (X keysym names, e.g. Control_L,
// s); "move X Y WIDTH HEIGHT" (the pointer to X, Y of an output layout WIDTH x HEIGHT);
// "button press" or "button release" (the left button; "button press right" the right one).
// Answers each on standard output with "ok"
// once the compositor has handled it, "error ..." otherwise. Prints "ready" first, once the
// compositor knows the keyboard.
// Usage: quorvel_wayland_keyboard

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

struct Globals
{
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    org_kde_kwin_fake_input* fake = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        globals->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
               version >= 4) {
        globals->fake = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

// The first key of the keymap whose first level types the keysym; 0 when none does.
xkb_keycode_t KeyOf(xkb_keymap* keymap, xkb_keysym_t keysym)
{
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
         ++key) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms);
        for (int i = 0; i < count; ++i) {
            if (syms[i] == keysym) {
                return key;
            }
        }
    }
    return 0;
}

std::uint32_t Milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

bool UploadKeymap(zwp_virtual_keyboard_v1* keyboard, xkb_keymap* keymap)
{
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text) {
        return false;
    }
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("test-keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
    if (written) {
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
    }
    if (fd >= 0) {
        close(fd);
    }
    std::free(text);
    return written;
}

struct Devices
{
    zwp_virtual_keyboard_v1* keyboard; // null on KWin
    zwlr_virtual_pointer_v1* pointer;  // null where the compositor offers none
    xkb_keymap* keymap;
    xkb_state* state;
    org_kde_kwin_fake_input* fake; // KWin's, in place of both
};

bool Key(const Devices& devices, bool press, const std::string& name)
{
    const xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
    const xkb_keycode_t key = keysym == XKB_KEY_NoSymbol ? 0 : KeyOf(devices.keymap, keysym);
    if (key == 0) {
        return false;
    }
    // Keys are evdev codes, 8 below the keymap's; the modifiers follow as a keyboard's would.
    if (devices.fake) {
        org_kde_kwin_fake_input_keyboard_key(devices.fake, key - 8,
                                             press ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                   : WL_KEYBOARD_KEY_STATE_RELEASED);
        return true;
    }
    zwp_virtual_keyboard_v1_key(devices.keyboard, Milliseconds(), key - 8,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED
                                      : WL_KEYBOARD_KEY_STATE_RELEASED);
    xkb_state_update_key(devices.state, key, press ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(
        devices.keyboard, xkb_state_serialize_mods(devices.state, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(devices.state, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(devices.state, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(devices.state, XKB_STATE_LAYOUT_EFFECTIVE));
    return true;
}

// The button a "button" command names after its state: the left one unless "right".
std::uint32_t ButtonOf(std::istringstream& words)
{
    std::string which;
    return words >> which && which == "right" ? BTN_RIGHT : BTN_LEFT;
}

// A pointer command through KWin's fake input: positions in KWin's own coordinates.
bool FakePointer(org_kde_kwin_fake_input* fake, const std::string& command,
                 std::istringstream& words)
{
    std::string argument;
    if (command == "move") {
        int x = 0;
        int y = 0;
        if (!(words >> x >> y)) {
            return false;
        }
        org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int(x),
                                                        wl_fixed_from_int(y));
        return true;
    }
    if (command == "button" && words >> argument &&
        (argument == "press" || argument == "release")) {
        org_kde_kwin_fake_input_button(fake, ButtonOf(words),
                                       argument == "press" ? WL_POINTER_BUTTON_STATE_PRESSED
                                                           : WL_POINTER_BUTTON_STATE_RELEASED);
        return true;
    }
    return false;
}

// Carries out one command line; false when it is not one or cannot be carried out here.
bool Carry(const Devices& devices, const std::string& line)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    std::string argument;
    if (command == "press" || command == "release") {
        return words >> argument && Key(devices, command == "press", argument);
    }
    if (devices.fake) {
        return FakePointer(devices.fake, command, words);
    }
    if (!devices.pointer) {
        return false;
    }
    if (command == "move") {
        std::uint32_t x = 0;
        std::uint32_t y = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        if (!(words >> x >> y >> width >> height) || x >= width || y >= height) {
            return false;
        }
        zwlr_virtual_pointer_v1_motion_absolute(devices.pointer, Milliseconds(), x, y, width,
                                                height);
    } else if (command == "button" && words >> argument &&
               (argument == "press" || argument == "release")) {
        zwlr_virtual_pointer_v1_button(devices.pointer, Milliseconds(), ButtonOf(words),
                                       argument == "press" ? WL_POINTER_BUTTON_STATE_PRESSED
                                                           : WL_POINTER_BUTTON_STATE_RELEASED);
    } else {
        return false;
    }
    zwlr_virtual_pointer_v1_frame(devices.pointer);
    return true;
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::cerr << "error: no Wayland compositor\n";
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.seat || (!globals.manager && !globals.fake)) {
        std::cerr << "error: the compositor offers no virtual keyboard\n";
        return 1;
    }
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        std::cerr << "error: no default keymap\n";
        return 1;
    }
    xkb_state* state = xkb_state_new(keymap);
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    if (globals.manager) {
        keyboard =
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.manager, globals.seat);
        if (!UploadKeymap(keyboard, keymap) || wl_display_roundtrip(display) < 0) {
            std::cerr << "error: the keymap was not taken\n";
            return 1;
        }
    } else {
        org_kde_kwin_fake_input_authenticate(globals.fake, "Quorvel tests", "");
    }
    zwlr_virtual_pointer_v1* pointer =
        globals.pointers
            ? zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat)
            : nullptr;
    std::cout << "ready" << std::endl;

    Devices devices{keyboard, pointer, keymap, state, globals.fake};
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!Carry(devices, line)) {
            std::cout << "error " << line << std::endl;
        } else if (wl_display_roundtrip(display) < 0) {
            std::cout << "error the compositor went away" << std::endl;
            return 1;
        } else {
            std::cout << "ok" << std::endl;
        }
    }
    if (pointer) {
        zwlr_virtual_pointer_v1_destroy(pointer);
        zwlr_virtual_pointer_manager_v1_destroy(globals.pointers);
    }
    if (keyboard) {
        zwp_virtual_keyboard_v1_destroy(keyboard);
        zwp_virtual_keyboard_manager_v1_destroy(globals.manager);
    } else {
        org_kde_kwin_fake_input_destroy(globals.fake);
    }
    wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    wl_display_disconnect(display);
    return 0;
}
