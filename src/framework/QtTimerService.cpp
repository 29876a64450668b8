#include "framework/QtTimerService.h"

QtTimerService::QtTimerService() = default;
QtTimerService::~QtTimerService() = default;

void QtTimerService::Start(Timer* timer)
{
    auto& qtimer = timers_[timer];
    if (!qtimer) {
        qtimer = std::make_unique<QTimer>();
        QObject::connect(qtimer.get(), &QTimer::timeout, [timer] { timer->Fire(); });
    }
    qtimer->start(timer->Interval());
}

void QtTimerService::Stop(Timer* timer)
{
    // A timer may stop itself from its own tick: stop now, free the QTimer later.
    auto it = timers_.find(timer);
    if (it == timers_.end()) {
        return;
    }
    it->second->stop();
    it->second.release()->deleteLater();
    timers_.erase(it);
}
