#include "platform/wayland/XWaylandSource.h"

#include "platform/linux/Log.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace platform::wayland {

namespace {

Toplevel ToplevelOf(const XWaylandWindows::Facts& facts)
{
    Toplevel window;
    window.id = static_cast<std::int64_t>(facts.id);
    window.pid = facts.pid;
    // WM_CLASS: the instance, then the class.
    const auto& classes = facts.identity.classes;
    window.instance = !classes.empty() ? classes[0] : std::string();
    window.windowClass = classes.size() > 1 ? classes[1] : std::string();
    window.desktopId = facts.identity.desktopId;
    window.focused = true;
    return window;
}

} // namespace

XWaylandSource::XWaylandSource(XWaylandWindows& windows, InputSender* fallback,
                               std::function<bool()> ownWindowActive)
    : windows_(windows), fallback_(fallback), ownWindowActive_(std::move(ownWindowActive))
{
    windows_.Watch([this] {
        ReadFocus();
        if (onChange_) {
            const auto onChange = onChange_;
            onChange();
        }
    });
    ReadFocus();
}

XWaylandSource::~XWaylandSource()
{
    windows_.Watch({});
}

void XWaylandSource::ReadFocus()
{
    const auto active = windows_.Active();
    recent_.SetFocused(active ? std::optional<Toplevel>(ToplevelOf(*active)) : std::nullopt);
}

std::optional<Toplevel> XWaylandSource::Focused()
{
    return recent_.Focused();
}

void XWaylandSource::Watch(std::function<void()> onChange)
{
    onChange_ = std::move(onChange);
}

std::vector<Toplevel> XWaylandSource::Windows()
{
    return recent_.Windows();
}

std::optional<Toplevel> XWaylandSource::Find(std::int64_t id)
{
    return recent_.Find(id);
}

bool XWaylandSource::CanSend() const
{
    return windows_.CanSend() || (fallback_ && fallback_->CanSend());
}

void XWaylandSource::SendKey(unsigned xKeyCode, bool down)
{
    if (pending_.empty() && !waiting_) {
        QTimer::singleShot(0, this, [this] { Flush(); });
    }
    pending_.emplace_back(xKeyCode, down);
}

void XWaylandSource::Flush()
{
    waiting_ = true;
    PollUntil(
        this, [this] { return !ownWindowActive_(); }, FocusWaitMs,
        [this](bool focusLeft) {
            if (!focusLeft) {
                waiting_ = false;
                qCWarning(lcPlatform) << "keys dropped: the focus did not leave this program";
                pending_.clear();
                return;
            }
            PollUntil(
                this, [this] { return windows_.ActiveHasInputFocus(); }, X11FocusWaitMs,
                [this](bool x11) {
                    if (!x11) {
                        waiting_ = false;
                        Type(false);
                        return;
                    }
                    // A key XWayland holds down for the user's keyboard does not go down again
                    // for XTest's: the combination waits for the user to let its keys go.
                    PollUntil(
                        this, [this] { return !CombinationHeld(); }, FocusWaitMs,
                        [this](bool) {
                            waiting_ = false;
                            Type(true);
                        });
                });
        });
}

bool XWaylandSource::CombinationHeld()
{
    return std::any_of(pending_.begin(), pending_.end(), [this](const auto& key) {
        return key.second && windows_.IsKeyDown(key.first);
    });
}

void XWaylandSource::Type(bool intoX11Window)
{
    const KeyStrokes keys = std::exchange(pending_, {});
    if (intoX11Window && windows_.CanSend()) {
        for (const auto& [code, down] : TypedKeys(keys)) {
            windows_.SendKey(code, down);
        }
    } else if (fallback_ && fallback_->CanSend()) {
        // The fallback leaves out and adds releases itself.
        for (const auto& [code, down] : keys) {
            fallback_->SendKey(code, down);
        }
    } else {
        qCWarning(lcPlatform) << "keys dropped: a Wayland window has the focus and nothing types "
                                 "into it";
    }
}

} // namespace platform::wayland
