#include "platform/x11/XErrorTrap.h"

namespace platform {

namespace {

// The trap that began last and has not ended.
XErrorTrap* innermost = nullptr;

int Ignore(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

XErrorTrap::XErrorTrap(Display* display)
    : display_(display), firstRequest_(NextRequest(display)), outer_(innermost),
      previous_(XSetErrorHandler(&XErrorTrap::Handle))
{
    innermost = this;
}

XErrorTrap::~XErrorTrap()
{
    XSync(display_, False);
    innermost = outer_;
    XSetErrorHandler(previous_);
}

int XErrorTrap::Sync()
{
    XSync(display_, False);
    return error_;
}

int XErrorTrap::Handle(Display* display, XErrorEvent* event)
{
    XErrorTrap* outermost = innermost;
    for (XErrorTrap* trap = innermost; trap; trap = trap->outer_) {
        if (trap->display_ == display && event->serial >= trap->firstRequest_) {
            if (trap->error_ == Success) {
                trap->error_ = event->error_code;
            }
            return 0;
        }
        outermost = trap;
    }
    return outermost && outermost->previous_ ? outermost->previous_(display, event) : 0;
}

void IgnoreUntrappedXErrors()
{
    XSetErrorHandler(Ignore);
}

} // namespace platform
