#pragma once

#include <X11/Xlib.h>

namespace platform {

// Catches the X errors of the requests made on one connection while it lives, and only those:
// an error of an earlier request, or of another connection, goes to the handler in place before.
// Xlib has one error handler per process; traps nest.
class XErrorTrap
{
public:
    explicit XErrorTrap(Display* display);
    // Waits for the guarded requests and puts the earlier handler back.
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits until the server has handled the requests made so far; the code of the first error
    // among the guarded ones, Success when there was none.
    int Sync();

private:
    static int Handle(Display* display, XErrorEvent* event);

    Display* display_;
    // The serial number of the first guarded request.
    unsigned long firstRequest_;
    int error_ = Success;
    XErrorTrap* outer_;
    XErrorHandler previous_;
};

// Installs a handler that ignores the errors no trap guards (BadWindow for a window that
// vanished since a property named it): Xlib's default handler would end the process.
void IgnoreUntrappedXErrors();

} // namespace platform
