#pragma once

#include "platform/Platform.h"

#include <X11/Xlib.h>

#include <string>

namespace platform {

// A text property (8-bit items of any type) of at most 1 KiB; empty when absent or the window is
// gone.
std::string ReadTextProperty(Display* display, Window window, Atom property);

// The window's WM_CLASS names and the desktop entry it names; empty for a window that is gone.
Platform::WindowIdentity ReadWindowIdentity(Display* display, Window window);

// Where the window's program exports its menus (GTK's properties); empty when it names none.
Platform::MenuExport ReadMenuExport(Display* display, Window window);

} // namespace platform
