#include <set>

#include "platform/hooks.h"
#include "platform/qt/impl.h"
#include "platform/shared/timers.h"

namespace platform {

namespace {
std::set<TimerImpl*>& timers() {
    static std::set<TimerImpl*> all;
    return all;
}
bool held = false;

void schedule(TimerImpl& t) {
    if (!held) t.qtimer.start(untilNextBoundary(t.interval));
}
}  // namespace

void holdAllTimers(bool hold) {
    held = hold;
    for (TimerImpl* t : timers()) {
        if (hold)
            t->qtimer.stop();
        else
            schedule(*t);
    }
}

Timer::Timer(Form&, int intervalMs) : d_(std::make_unique<TimerImpl>()) {
    d_->timer = this;
    d_->interval = intervalMs;
    d_->qtimer.setSingleShot(true);
    d_->qtimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&d_->qtimer, &QTimer::timeout, [this] {
        // The next tick is set before this one runs, so ticks go on while a
        // handler waits in a message box.
        schedule(*d_);
        if (onTimer) onTimer();
    });
    timers().insert(d_.get());
    schedule(*d_);
}

Timer::~Timer() {
    timers().erase(d_.get());
}

int Timer::interval() const {
    return d_->interval;
}

}  // namespace platform
