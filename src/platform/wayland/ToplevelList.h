#pragma once

#include "platform/wayland/Sources.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The top-level windows a compositor lists through its foreign-toplevel protocol: each window's
// application id and activated state arrive as pending changes that apply together when the
// compositor marks them done. Titles are never kept.
namespace platform::wayland {

class ToplevelList
{
public:
    // A window the compositor announced; its id, unique for the run.
    std::int64_t Add();
    void SetAppId(std::int64_t id, std::string appId);
    void SetActivated(std::int64_t id, bool activated);
    // Applies the window's pending changes; whether the focused window changed.
    bool Done(std::int64_t id);
    // The window closed; whether the focused window changed.
    bool Remove(std::int64_t id);

    // The activated window, the one activated last where several are; none while none is.
    std::optional<Toplevel> Focused() const;
    // The windows announced and not closed, each as last done, in the order they came.
    std::vector<Toplevel> Windows() const;
    std::optional<Toplevel> Find(std::int64_t id) const;

private:
    struct Entry
    {
        Toplevel current;
        Toplevel pending;
        // Whether the window ever had a change applied; until then it is not listed.
        bool shown = false;
        // When the window was last activated, by the changes applied.
        std::uint64_t activatedAt = 0;
    };
    std::optional<std::int64_t> FocusedId() const;

    std::map<std::int64_t, Entry> entries_;
    std::int64_t nextId_ = 1;
    std::uint64_t activations_ = 0;
};

} // namespace platform::wayland
