#include "live/LiveShortcut.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <algorithm>

namespace live {

ReadBudget::ReadBudget(const std::atomic<bool>* cancelled, int nodes,
                       std::chrono::milliseconds time)
    : cancelled_(cancelled), nodesLeft_(nodes), deadline_(std::chrono::steady_clock::now() + time)
{
}

bool ReadBudget::Take(int nodes)
{
    nodesLeft_ -= nodes;
    return !Spent();
}

bool ReadBudget::Spent() const
{
    return spent_ || nodesLeft_ < 0 || std::chrono::steady_clock::now() >= deadline_ ||
           (cancelled_ && cancelled_->load());
}

int ReadBudget::RemainingMs() const
{
    if (Spent()) {
        return 0;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline_ - std::chrono::steady_clock::now());
    return std::max(1, static_cast<int>(left.count()));
}

QDBusMessage CallWithin(const QDBusConnection& bus, const QDBusMessage& call, ReadBudget& budget)
{
    QDBusMessage answer = bus.call(call, QDBus::Block, budget.RemainingMs());
    const QDBusError::ErrorType error = QDBusError(answer).type();
    if (error == QDBusError::NoReply || error == QDBusError::Timeout) {
        budget.Spend();
    }
    return answer;
}

} // namespace live
