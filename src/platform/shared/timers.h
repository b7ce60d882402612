// What the timers of both backends share.
#pragma once

#include <chrono>
#include <optional>

#include "platform/timer.h"
#include "platform/types.h"

namespace platform {

// What a timer of either backend is doing: ticking on its interval while its
// window shows; asleep while it is hidden, until its moment (if any) or a
// clock change; held by the tests.
struct TimerState {
    Timer* timer = nullptr;
    int interval = 0;
    bool sleeping = false;
    bool waking = false;  // ticking because the window shows
    std::optional<LocalTime> wakeAt;
    // How long after it was armed the timer's next tick comes, as last armed;
    // none while held, or asleep with no moment.
    std::optional<std::chrono::milliseconds> armedIn;
};

// How a backend arms a timer: stops it; aims it at the next boundary of its
// interval; aims a sleeping one at its moment. Each does nothing while held.
struct TimerArming {
    void (*disarm)(TimerState&);
    void (*schedule)(TimerState&);
    void (*armSleep)(TimerState&);
};

// Ticks a sleeping timer now; it sleeps on only if the tick asks it to.
void wakeTimer(TimerState& t, const TimerArming& arm);
// Its window shows: a sleeping timer ticks at once and runs on its interval.
void timerShows(TimerState& t, const TimerArming& arm);
// Held, a timer is stopped; let go, it runs or sleeps as it did.
void holdTimer(TimerState& t, bool hold, const TimerArming& arm);
// Timer::sleepUntil: not heeded from the tick its window's showing made.
void sleepTimer(TimerState& t, std::optional<LocalTime> moment, const TimerArming& arm);

// Milliseconds to the next whole multiple of the interval on the local clock,
// so that a 500 ms timer ticks just after every full and half second and a
// time of day is seen within a few milliseconds of its coming.
int untilNextBoundary(int interval);

// Whether a tick that comes now falls just after a whole multiple of the
// interval (within `slack` ms): a periodic timer that ticks so is left to
// run; one that has drifted is aimed at the next boundary again.
bool justAfterBoundary(int interval, int slack);

}  // namespace platform
