#include "FakeTimerService.h"

FakeTimerService::FakeTimerService()
{
    InstallTimerService(this);
}

FakeTimerService::~FakeTimerService()
{
    InstallTimerService(nullptr);
}

void FakeTimerService::Start(Timer* timer)
{
    running_[timer] = {now_ + timer->Interval(), sequence_++};
}

void FakeTimerService::Stop(Timer* timer)
{
    running_.erase(timer);
}

bool FakeTimerService::IsRunning(const Timer* timer) const
{
    return running_.count(const_cast<Timer*>(timer)) > 0;
}

void FakeTimerService::Advance(int milliseconds)
{
    const std::int64_t end = now_ + milliseconds;
    for (;;) {
        Timer* next = nullptr;
        Entry best{end + 1, 0};
        for (const auto& [timer, entry] : running_) {
            if (entry.due < best.due || (entry.due == best.due && entry.sequence < best.sequence)) {
                next = timer;
                best = entry;
            }
        }
        if (!next) {
            break;
        }
        now_ = best.due;
        // Re-arm before firing, so a handler that stops or restarts the timer has the last word.
        running_[next] = {now_ + next->Interval(), sequence_++};
        next->Fire();
    }
    now_ = end;
}
