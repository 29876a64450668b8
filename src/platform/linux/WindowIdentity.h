#pragma once

#include "platform/Platform.h"

#include <X11/Xlib.h>

namespace platform {

// The window's WM_CLASS names and the desktop entry it names; empty for a window that is gone.
Platform::WindowIdentity ReadWindowIdentity(Display* display, Window window);

} // namespace platform
