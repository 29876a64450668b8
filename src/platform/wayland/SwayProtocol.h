#pragma once

#include "platform/wayland/Sources.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// sway's IPC (the i3 protocol): framing of messages and the parts of its answers the platform
// reads. No sockets here: SwayConnection carries the bytes.
namespace platform::wayland {

enum class SwayRequest : std::uint32_t
{
    RunCommand = 0,
    Subscribe = 2,
    GetTree = 4,
};
// The type of a window event; events have the high bit set.
constexpr std::uint32_t SwayWindowEvent = 0x80000003;

// "i3-ipc", the payload's length and the type, in the machine's byte order, then the payload.
QByteArray EncodeSwayMessage(std::uint32_t type, const QByteArray& payload);

struct SwayMessage
{
    std::uint32_t type = 0;
    QByteArray payload;
};

// Cuts a stream of bytes into messages. A message larger than the limit or one without the magic
// puts the reader in a failed state that keeps it from reading anything more.
class SwayMessageReader
{
public:
    static constexpr std::uint32_t MaxPayload = 64u << 20;

    void Append(const QByteArray& bytes);
    // The next whole message; none while it has not arrived entirely or after a failure.
    std::optional<SwayMessage> Next();
    bool Failed() const { return failed_; }

private:
    QByteArray buffer_;
    bool failed_ = false;
};

// The windows of a get_tree answer, tiled and floating, in the tree's order; empty for an answer
// that is no tree.
std::vector<Toplevel> ParseSwayTree(const QByteArray& json);

struct ToplevelChange
{
    // "focus", "new", "close", "title", ...
    std::string change;
    Toplevel window;
};
// A window event's change and window; none for anything else.
std::optional<ToplevelChange> ParseSwayWindowEvent(const QByteArray& json);

// Whether every command of a run_command answer succeeded; false for an answer that is not one.
bool SwayCommandsSucceeded(const QByteArray& json);

// The keys of a hot key as bindsym names them ("Mod4+Ctrl+q"); empty for a key without a name.
std::string SwayKeyCombination(std::uint32_t modifiers, const std::string& keySymName);
// The command a binding runs, "exec" with the arguments, as one quoted argument of bindsym.
std::string SwayExecCommand(const std::vector<std::string>& arguments);

} // namespace platform::wayland
