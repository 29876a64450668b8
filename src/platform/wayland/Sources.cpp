#include "platform/wayland/Sources.h"

#include <QTimer>

#include <algorithm>
#include <memory>

namespace platform::wayland {

namespace {

constexpr std::size_t RecentWindowCount = 16;
constexpr int PollMs = 20;

} // namespace

Platform::WindowIdentity IdentityOf(const Toplevel& window)
{
    Platform::WindowIdentity identity;
    identity.desktopId = window.desktopId.empty() ? window.appId : window.desktopId;
    if (!window.appId.empty()) {
        identity.classes.push_back(window.appId);
        return identity;
    }
    for (const std::string* name : {&window.instance, &window.windowClass}) {
        if (!name->empty()) {
            identity.classes.push_back(*name);
        }
    }
    return identity;
}

void RecentWindows::SetFocused(std::optional<Toplevel> window)
{
    focused_ = std::move(window);
    if (!focused_) {
        return;
    }
    std::erase_if(recent_, [&](const Toplevel& other) { return other.id == focused_->id; });
    recent_.insert(recent_.begin(), *focused_);
    if (recent_.size() > RecentWindowCount) {
        recent_.pop_back();
    }
}

std::vector<Toplevel> RecentWindows::Windows() const
{
    return focused_ ? std::vector<Toplevel>{*focused_} : std::vector<Toplevel>{};
}

std::optional<Toplevel> RecentWindows::Find(std::int64_t id) const
{
    const auto found = std::find_if(recent_.begin(), recent_.end(),
                                    [id](const Toplevel& window) { return window.id == id; });
    return found == recent_.end() ? std::nullopt : std::optional<Toplevel>(*found);
}

KeyStrokes TypedKeys(const KeyStrokes& events)
{
    KeyStrokes typed;
    std::vector<unsigned> down;
    for (const auto& [code, pressed] : events) {
        const auto held = std::find(down.begin(), down.end(), code);
        if (!pressed && held == down.end()) {
            continue;
        }
        typed.emplace_back(code, pressed);
        if (!pressed) {
            down.erase(held);
        } else if (held == down.end()) {
            down.push_back(code);
        }
    }
    for (auto code = down.rbegin(); code != down.rend(); ++code) {
        typed.emplace_back(*code, false);
    }
    return typed;
}

void PollUntil(QObject* context, std::function<bool()> condition, int timeoutMs,
               std::function<void(bool)> done)
{
    if (condition()) {
        done(true);
        return;
    }
    auto* timer = new QTimer(context);
    auto waited = std::make_shared<int>(0);
    QObject::connect(
        timer, &QTimer::timeout, context,
        [timer, waited, timeoutMs, condition = std::move(condition), done = std::move(done)] {
            *waited += PollMs;
            const bool met = condition();
            if (!met && *waited < timeoutMs) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            done(met);
        });
    timer->start(PollMs);
}

} // namespace platform::wayland
