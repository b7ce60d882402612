#include <set>

#include "platform/qt/impl.h"
#include "platform/qt/timers.h"

namespace platform {

namespace {
std::set<TimerImpl*>& timers() {
    static std::set<TimerImpl*> all;
    return all;
}
bool held = false;
}  // namespace

void holdAllTimers(bool hold) {
    held = hold;
    for (TimerImpl* t : timers()) {
        if (hold)
            t->qtimer.stop();
        else
            t->qtimer.start();
    }
}

Timer::Timer(Form& form, int intervalMs) : d_(std::make_unique<TimerImpl>()) {
    d_->timer = this;
    d_->interval = intervalMs;
    d_->qtimer.setParent(nullptr);
    d_->qtimer.setInterval(intervalMs);
    d_->qtimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&d_->qtimer, &QTimer::timeout, [this] {
        if (onTimer) onTimer();
    });
    (void)form;
    timers().insert(d_.get());
    if (!held) d_->qtimer.start();
}

Timer::~Timer() {
    timers().erase(d_.get());
}

int Timer::interval() const {
    return d_->interval;
}

}  // namespace platform
