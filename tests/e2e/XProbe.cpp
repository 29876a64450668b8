// Answers the end-to-end scripts' most frequent questions about Quorvel's windows in one process
// (each is asked ten times a second while a script waits; the same answer from xdotool, xwininfo
// and awk takes a dozen processes).
// Usage: quorvel_xprobe overlay           prints the overlay's window id; fails when there is none
//        quorvel_xprobe overlay-visible   succeeds when the overlay is mapped and viewable
//        quorvel_xprobe viewable ID       succeeds when that window is viewable
//        quorvel_xprobe active            prints the active window's id (_NET_ACTIVE_WINDOW);
//                                         fails when there is none
//        quorvel_xprobe keyboard-grabbed  succeeds when a client holds the keyboard grabbed (an
//                                         open menu takes the keys so); asks by grabbing it, and
//                                         a grab it gets is released at once
// The overlay is Quorvel's widest window (class instance "quorvel") over 500 pixels wide and 300
// high, mapped or not: its tray icon, menus, messages and editor are smaller.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Windows may go while the tree is walked: their errors are expected.
int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

bool IsQuorvel(Display* display, Window window)
{
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) {
        return false;
    }
    const bool quorvel = hint.res_name && std::strcmp(hint.res_name, "quorvel") == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return quorvel;
}

struct Found
{
    Window window = 0;
    int width = 500;
};

void Search(Display* display, Window window, Found& found)
{
    if (IsQuorvel(display, window)) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) && attributes.width > found.width &&
            attributes.height > 300) {
            found = {window, attributes.width};
        }
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return;
    }
    for (unsigned i = 0; i < count; ++i) {
        Search(display, children[i], found);
    }
    XFree(children);
}

std::optional<Window> Overlay(Display* display)
{
    Found found;
    Search(display, DefaultRootWindow(display), found);
    return found.window ? std::optional(found.window) : std::nullopt;
}

bool Viewable(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

std::optional<Window> Active(Display* display)
{
    const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<Window> active;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1) {
        const Window window = *reinterpret_cast<const unsigned long*>(data);
        if (window) {
            active = window;
        }
    }
    XFree(data);
    return active;
}

bool KeyboardGrabbed(Display* display)
{
    const int status = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    if (status != AlreadyGrabbed) {
        XUngrabKeyboard(display, CurrentTime);
    }
    return status == AlreadyGrabbed;
}

} // namespace

int main(int argc, char** argv)
{
    const char* question = argc > 1 ? argv[1] : "";
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "quorvel_xprobe: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    int status = 2;
    if (argc == 2 && std::strcmp(question, "overlay") == 0) {
        const std::optional<Window> overlay = Overlay(display);
        if (overlay) {
            std::printf("%lu\n", *overlay);
        }
        status = overlay ? 0 : 1;
    } else if (argc == 2 && std::strcmp(question, "overlay-visible") == 0) {
        const std::optional<Window> overlay = Overlay(display);
        status = overlay && Viewable(display, *overlay) ? 0 : 1;
    } else if (argc == 3 && std::strcmp(question, "viewable") == 0) {
        status = Viewable(display, std::strtoul(argv[2], nullptr, 0)) ? 0 : 1;
    } else if (argc == 2 && std::strcmp(question, "active") == 0) {
        const std::optional<Window> active = Active(display);
        if (active) {
            std::printf("%lu\n", *active);
        }
        status = active ? 0 : 1;
    } else if (argc == 2 && std::strcmp(question, "keyboard-grabbed") == 0) {
        status = KeyboardGrabbed(display) ? 0 : 1;
    } else {
        std::fprintf(stderr,
                     "usage: quorvel_xprobe overlay | overlay-visible | viewable ID | active | "
                     "keyboard-grabbed\n");
    }
    XCloseDisplay(display);
    return status;
}
