#pragma once

#include "platform/wayland/SwayProtocol.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLocalSocket;

namespace platform::wayland {

// A connection to sway's IPC socket ($SWAYSOCK): requests answered at once on one socket, events
// on a second one, delivered from the event loop.
class SwayConnection
{
public:
    // Connected to $SWAYSOCK; null when it is not set or does not answer.
    static std::unique_ptr<SwayConnection> Open();
    ~SwayConnection();
    SwayConnection(const SwayConnection&) = delete;
    SwayConnection& operator=(const SwayConnection&) = delete;

    // The answer's payload; none when sway did not answer in time.
    std::optional<QByteArray> Request(SwayRequest request, const QByteArray& payload);
    // Runs sway commands; whether every one succeeded.
    bool RunCommand(const std::string& command);
    // Subscribes to the events named ("window") on the event socket; onEvent runs for each.
    bool Subscribe(const QByteArray& eventsJson, std::function<void(const SwayMessage&)> onEvent);

private:
    explicit SwayConnection(const QString& path);

    QString path_;
    std::unique_ptr<QLocalSocket> requests_;
    std::unique_ptr<QLocalSocket> events_;
    SwayMessageReader requestReader_;
    SwayMessageReader eventReader_;
    std::function<void(const SwayMessage&)> onEvent_;
};

} // namespace platform::wayland
