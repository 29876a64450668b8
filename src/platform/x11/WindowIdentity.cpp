#include "platform/x11/WindowIdentity.h"

#include <X11/Xutil.h>

#include <utility>

namespace platform {

std::string ReadTextProperty(Display* display, Window window, Atom property)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 256, False, AnyPropertyType, &actualType,
                           &format, &count, &remaining, &data) == Success &&
        data && format == 8) {
        text.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data) {
        XFree(data);
    }
    return text;
}

namespace {

// A text property named by its atom's name; empty when the atom or the property is absent.
std::string TextOf(Display* display, Window window, const char* name)
{
    const Atom property = XInternAtom(display, name, True);
    return property == 0 ? std::string() : ReadTextProperty(display, window, property);
}

} // namespace

Platform::WindowIdentity ReadWindowIdentity(Display* display, Window window)
{
    Platform::WindowIdentity identity;
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(display, window, &hint)) {
        for (const char* name : {hint.res_name, hint.res_class}) {
            if (name && *name) {
                identity.classes.emplace_back(name);
            }
        }
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    // GTK names its application, KDE Frameworks the desktop file.
    identity.desktopId = TextOf(display, window, "_GTK_APPLICATION_ID");
    if (identity.desktopId.empty()) {
        identity.desktopId = TextOf(display, window, "_KDE_NET_WM_DESKTOP_FILE");
    }
    return identity;
}

Platform::MenuExport ReadMenuExport(Display* display, Window window)
{
    Platform::MenuExport menus;
    menus.busName = TextOf(display, window, "_GTK_UNIQUE_BUS_NAME");
    if (menus.busName.empty()) {
        return {};
    }
    for (const char* name : {"_GTK_MENUBAR_OBJECT_PATH", "_GTK_APP_MENU_OBJECT_PATH"}) {
        if (std::string path = TextOf(display, window, name); !path.empty()) {
            menus.objectPaths.push_back(std::move(path));
        }
    }
    return menus;
}

} // namespace platform
