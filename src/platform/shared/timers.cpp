#include "platform/shared/timers.h"

#include <chrono>

#include "platform/system.h"

namespace platform {

namespace {
long long intoPeriod(int interval) {
    using namespace std::chrono;
    return duration_cast<milliseconds>(now().time_since_epoch()).count() % interval;
}
}  // namespace

int untilNextBoundary(int interval) {
    return static_cast<int>(interval - intoPeriod(interval)) + 1;
}

bool justAfterBoundary(int interval, int slack) {
    return intoPeriod(interval) <= slack;
}

void wakeTimer(TimerState& t, const TimerArming& arm) {
    arm.disarm(t);
    t.wakeAt.reset();
    if (t.timer && t.timer->onTimer) t.timer->onTimer();
}

void timerShows(TimerState& t, const TimerArming& arm) {
    if (!t.sleeping) return;
    t.sleeping = false;
    arm.disarm(t);
    arm.schedule(t);
    t.waking = true;
    if (t.timer && t.timer->onTimer) t.timer->onTimer();
    t.waking = false;
}

void holdTimer(TimerState& t, bool hold, const TimerArming& arm) {
    if (hold)
        arm.disarm(t);
    else if (t.sleeping)
        arm.armSleep(t);
    else
        arm.schedule(t);
}

void sleepTimer(TimerState& t, std::optional<LocalTime> moment, const TimerArming& arm) {
    if (t.waking) return;
    t.sleeping = true;
    t.wakeAt = moment;
    arm.armSleep(t);
}

}  // namespace platform
