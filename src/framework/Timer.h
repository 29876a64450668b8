#pragma once

#include <functional>

class Timer;

// Runs timers. The program installs the Qt service; tests install FakeTimerService.
class TimerService
{
public:
    virtual ~TimerService() = default;
    // Starts (or restarts) the timer with its interval from now.
    virtual void Start(Timer* timer) = 0;
    virtual void Stop(Timer* timer) = 0;
};

// The installed service (not owned). Installing replaces the previous one.
TimerService& GetTimerService();
void InstallTimerService(TimerService* service);

// A repeating timer: while Enabled, OnTimer runs every Interval milliseconds.
class Timer
{
public:
    explicit Timer(int interval = 1000, bool enabled = true);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    int Interval() const { return interval_; }
    // A new interval restarts a running timer.
    void SetInterval(int milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // The tick handler; an empty one is skipped.
    std::function<void()> OnTimer;

    // Called by the service when the interval has passed.
    void Fire();

private:
    int interval_;
    bool enabled_ = false;
    TimerService* service_;
};
