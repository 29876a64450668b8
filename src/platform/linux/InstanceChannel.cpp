#include "platform/linux/InstanceChannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <utility>

namespace platform::channel {

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void Tell(std::string* problem, std::string text)
{
    if (problem) {
        *problem = std::move(text);
    }
}

// Milliseconds left until the deadline, at least 0.
int Remaining(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

std::string RuntimeFolder(std::string* problem)
{
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/') {
        return runtime;
    }
    std::string temporary = Environment("TMPDIR");
    if (temporary.empty() || temporary.front() != '/') {
        temporary = "/tmp";
    }
    const std::string folder = temporary + "/quorvel-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        Tell(problem, "cannot make the runtime folder " + folder + ": " + std::strerror(errno));
        return {};
    }
    struct stat info
    {
    };
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        Tell(problem, "the runtime folder " + folder + " is not a private folder of this user");
        return {};
    }
    return folder;
}

std::string RuntimePath(const std::string& name, const char* suffix, std::string* problem)
{
    if (name.empty() || name.find('/') != std::string::npos) {
        return {};
    }
    const std::string folder = RuntimeFolder(problem);
    return folder.empty() ? std::string() : folder + "/" + name + suffix;
}

int Deliver(const std::string& path, const std::string& message, int timeoutMs)
{
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path ||
        message.find('\n') != std::string::npos || message.size() + 1 > MaxMessageBytes) {
        return -1;
    }
    const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0) {
        return -1;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const std::string line = message + '\n';
    std::size_t written = 0;
    if (connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        while (written < line.size()) {
            const ssize_t count =
                send(connection, line.data() + written, line.size() - written, MSG_NOSIGNAL);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                break;
            }
            written += static_cast<std::size_t>(count);
        }
    }
    if (written < line.size()) {
        close(connection);
        return -1;
    }
    return connection;
}

bool Send(const std::string& path, const std::string& message)
{
    const int connection = Deliver(path, message);
    if (connection < 0) {
        return false;
    }
    close(connection);
    return true;
}

std::optional<std::string> ReadAnswer(int connection, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    char buffer[4096];
    while (answer.size() < MaxAnswerBytes) {
        pollfd ready{connection, POLLIN, 0};
        const int polled = poll(&ready, 1, Remaining(deadline));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            // The first copy did not finish its answer in time.
            return std::nullopt;
        }
        const ssize_t count = recv(connection, buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(count));
    }
    if (answer.empty()) {
        return std::nullopt;
    }
    answer.resize(std::min(answer.size(), MaxAnswerBytes));
    return answer;
}

} // namespace platform::channel
