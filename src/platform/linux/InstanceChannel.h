#pragma once

#include <cstddef>
#include <optional>
#include <string>

// How a later copy of the program reaches the first one: one line of text per message over a
// local socket in the user's runtime folder, an answer read back on the same connection. Plain
// POSIX, no toolkit: the executable's own quick path for "--show" uses it before any library of
// the program is loaded.
namespace platform::channel {

// The longest message, its newline included, and the longest answer (a few lines of text).
constexpr std::size_t MaxMessageBytes = 4096;
constexpr std::size_t MaxAnswerBytes = 64 * 1024;
// How long writing a message may take.
constexpr int DeliveryTimeoutMs = 500;

// The folder of per-user runtime files: $XDG_RUNTIME_DIR, or else a folder of this program's own
// in the temporary folder ($TMPDIR or /tmp) that only this user can use. Empty, with the reason
// in problem, when that folder cannot be made or is not private: a name another user made first
// could otherwise stand in for the lock or receive the messages.
std::string RuntimeFolder(std::string* problem = nullptr);

// Where a per-user runtime file goes; empty when there is no private place for it or the name is
// no plain file name.
std::string RuntimePath(const std::string& name, const char* suffix,
                        std::string* problem = nullptr);

// A connection to the socket at path on which the message has been written as one line; -1 when
// no copy listens there, the message holds a newline or is too long, or writing takes over
// timeoutMs. The caller closes it.
int Deliver(const std::string& path, const std::string& message, int timeoutMs = DeliveryTimeoutMs);

// Delivers the message and closes the connection: false when no copy took it.
bool Send(const std::string& path, const std::string& message);

// The answer on a delivered connection, read until the first copy closes it, at most
// MaxAnswerBytes; none when it says nothing or does not close within timeoutMs.
std::optional<std::string> ReadAnswer(int connection, int timeoutMs);

} // namespace platform::channel
