#pragma once

#include "framework/Timer.h"

#include <QTimer>

#include <map>
#include <memory>

// Runs each Timer on a QTimer of the UI thread.
class QtTimerService : public TimerService
{
public:
    QtTimerService();
    ~QtTimerService() override;

    void Start(Timer* timer) override;
    void Stop(Timer* timer) override;

private:
    std::map<Timer*, std::unique_ptr<QTimer>> timers_;
};
