#include "platform/linux/LinuxSystem.h"
#include "platform/linux/Log.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// The write end of the pipe from the signal handler to the event loop.
int signalWriteEnd = -1;

void OnSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a pending request.
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
    errno = saved;
}

} // namespace

void LinuxSystem::OnTerminationRequest(std::function<void()> handler)
{
    int ends[2];
    if (termination_ || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        qCWarning(lcPlatform) << "cannot watch for termination signals";
        return;
    }
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    signalWriteEnd = ends[1];
    termination_ = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    QObject::connect(termination_.get(), &QSocketNotifier::activated,
                     [readEnd = ends[0], handler = std::move(handler)] {
                         char bytes[16];
                         while (::read(readEnd, bytes, sizeof bytes) > 0) {
                         }
                         handler();
                     });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace platform
