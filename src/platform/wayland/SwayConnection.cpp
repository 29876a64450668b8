#include "platform/wayland/SwayConnection.h"

#include "platform/linux/Log.h"

#include <QElapsedTimer>
#include <QLocalSocket>

namespace platform::wayland {

namespace {
constexpr int AnswerTimeoutMs = 2000;

std::unique_ptr<QLocalSocket> Connect(const QString& path)
{
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!socket->waitForConnected(AnswerTimeoutMs)) {
        return nullptr;
    }
    return socket;
}
} // namespace

SwayConnection::SwayConnection(const QString& path) : path_(path) {}

SwayConnection::~SwayConnection() = default;

std::unique_ptr<SwayConnection> SwayConnection::Open()
{
    const QString path = qEnvironmentVariable("SWAYSOCK");
    if (path.isEmpty()) {
        return nullptr;
    }
    std::unique_ptr<SwayConnection> connection(new SwayConnection(path));
    connection->requests_ = Connect(path);
    if (!connection->requests_) {
        qCWarning(lcPlatform) << "sway's IPC socket does not answer";
        return nullptr;
    }
    return connection;
}

std::optional<QByteArray> SwayConnection::Request(SwayRequest request, const QByteArray& payload)
{
    const auto type = static_cast<std::uint32_t>(request);
    requests_->write(EncodeSwayMessage(type, payload));
    requests_->flush();
    QElapsedTimer waited;
    waited.start();
    while (!requestReader_.Failed()) {
        if (auto message = requestReader_.Next()) {
            if (message->type == type) {
                return std::move(message->payload);
            }
            continue;
        }
        const auto left = AnswerTimeoutMs - waited.elapsed();
        if (left <= 0 || !requests_->waitForReadyRead(static_cast<int>(left))) {
            break;
        }
        requestReader_.Append(requests_->readAll());
    }
    qCWarning(lcPlatform) << "sway did not answer a request";
    return std::nullopt;
}

bool SwayConnection::RunCommand(const std::string& command)
{
    const auto answer = Request(SwayRequest::RunCommand, QByteArray::fromStdString(command));
    return answer && SwayCommandsSucceeded(*answer);
}

bool SwayConnection::Subscribe(const QByteArray& eventsJson,
                               std::function<void(const SwayMessage&)> onEvent)
{
    events_ = Connect(path_);
    if (!events_) {
        return false;
    }
    onEvent_ = std::move(onEvent);
    events_->write(
        EncodeSwayMessage(static_cast<std::uint32_t>(SwayRequest::Subscribe), eventsJson));
    events_->flush();
    QObject::connect(events_.get(), &QLocalSocket::readyRead, events_.get(), [this] {
        eventReader_.Append(events_->readAll());
        while (auto message = eventReader_.Next()) {
            // The subscription's own answer comes first; events have the high bit set.
            if ((message->type & 0x80000000u) && onEvent_) {
                onEvent_(*message);
            }
        }
    });
    return true;
}

} // namespace platform::wayland
