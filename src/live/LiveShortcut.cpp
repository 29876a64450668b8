#include "live/LiveShortcut.h"

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
    return nodesLeft_ < 0 || std::chrono::steady_clock::now() >= deadline_ ||
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

} // namespace live
