#include "platform/wayland/ToplevelList.h"

namespace platform::wayland {

std::int64_t ToplevelList::Add()
{
    const std::int64_t id = nextId_++;
    Entry& entry = entries_[id];
    entry.current.id = id;
    entry.pending.id = id;
    return id;
}

void ToplevelList::SetAppId(std::int64_t id, std::string appId)
{
    if (const auto found = entries_.find(id); found != entries_.end()) {
        found->second.pending.appId = std::move(appId);
    }
}

void ToplevelList::SetActivated(std::int64_t id, bool activated)
{
    if (const auto found = entries_.find(id); found != entries_.end()) {
        found->second.pending.focused = activated;
    }
}

bool ToplevelList::Done(std::int64_t id)
{
    const auto found = entries_.find(id);
    if (found == entries_.end()) {
        return false;
    }
    const auto before = FocusedId();
    Entry& entry = found->second;
    if (entry.pending.focused && !(entry.shown && entry.current.focused)) {
        entry.activatedAt = ++activations_;
    }
    entry.current = entry.pending;
    entry.shown = true;
    return FocusedId() != before;
}

bool ToplevelList::Remove(std::int64_t id)
{
    const auto before = FocusedId();
    entries_.erase(id);
    return FocusedId() != before;
}

std::optional<std::int64_t> ToplevelList::FocusedId() const
{
    std::optional<std::int64_t> focused;
    std::uint64_t latest = 0;
    for (const auto& [id, entry] : entries_) {
        if (entry.shown && entry.current.focused && entry.activatedAt > latest) {
            latest = entry.activatedAt;
            focused = id;
        }
    }
    return focused;
}

std::optional<Toplevel> ToplevelList::Focused() const
{
    const auto id = FocusedId();
    return id ? Find(*id) : std::nullopt;
}

std::vector<Toplevel> ToplevelList::Windows() const
{
    std::vector<Toplevel> windows;
    for (const auto& [id, entry] : entries_) {
        if (entry.shown) {
            windows.push_back(entry.current);
        }
    }
    return windows;
}

std::optional<Toplevel> ToplevelList::Find(std::int64_t id) const
{
    const auto found = entries_.find(id);
    if (found == entries_.end() || !found->second.shown) {
        return std::nullopt;
    }
    return found->second.current;
}

} // namespace platform::wayland
