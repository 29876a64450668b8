#include "framework/Timer.h"

#include <stdexcept>

namespace {
TimerService* installed = nullptr;
}

TimerService& GetTimerService()
{
    if (!installed) {
        throw std::logic_error("no timer service installed");
    }
    return *installed;
}

void InstallTimerService(TimerService* service)
{
    installed = service;
}

Timer::Timer(int interval, bool enabled) : interval_(interval), service_(&GetTimerService())
{
    SetEnabled(enabled);
}

Timer::~Timer()
{
    if (enabled_) {
        service_->Stop(this);
    }
}

void Timer::SetInterval(int milliseconds)
{
    if (interval_ == milliseconds) {
        return;
    }
    interval_ = milliseconds;
    if (enabled_ && interval_ > 0) {
        service_->Start(this);
    } else if (enabled_) {
        service_->Stop(this);
    }
}

void Timer::SetEnabled(bool enabled)
{
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    if (enabled_ && interval_ > 0) {
        service_->Start(this);
    } else {
        service_->Stop(this);
    }
}

void Timer::Fire()
{
    if (enabled_ && OnTimer) {
        OnTimer();
    }
}
