#pragma once

#include "framework/Timer.h"

#include <cstdint>
#include <map>

// Deterministic time for tests: nothing fires until Advance moves the clock.
class FakeTimerService : public TimerService
{
public:
    FakeTimerService();
    ~FakeTimerService() override;

    void Start(Timer* timer) override;
    void Stop(Timer* timer) override;

    // Moves the clock forward, firing every due timer in order of its due time (a timer that
    // is due several times fires several times).
    void Advance(int milliseconds);
    std::int64_t Now() const { return now_; }
    bool IsRunning(const Timer* timer) const;

private:
    struct Entry
    {
        std::int64_t due;
        std::uint64_t sequence;
    };
    std::int64_t now_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<Timer*, Entry> running_;
};
