#include <chrono>
#include <map>

#include "platform/system.h"
#include "platform/test_seams.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

std::map<UINT_PTR, TimerImpl*>& timers() {
    static std::map<UINT_PTR, TimerImpl*> all;
    return all;
}
bool held = false;

// Milliseconds to the next whole multiple of the interval on the local
// clock, so that a time of day is seen just after it comes.
UINT untilNextBoundary(int interval) {
    const auto t = now().time_since_epoch();
    const long long into =
        std::chrono::duration_cast<std::chrono::milliseconds>(t).count() % interval;
    return static_cast<UINT>(interval - into) + 1;
}

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD);

void schedule(TimerImpl& t) {
    if (held) return;
    // A thread timer: it ticks in every message loop, message boxes' too.
    t.id = SetTimer(nullptr, t.id, untilNextBoundary(t.interval), &tick);
    timers()[t.id] = &t;
}

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto it = timers().find(id);
    if (it == timers().end()) return;
    TimerImpl* t = it->second;
    schedule(*t);  // the next tick is set before this one runs
    if (t->timer && t->timer->onTimer) t->timer->onTimer();
}

}  // namespace

void holdAllTimers(bool hold) {
    held = hold;
    for (auto& [id, t] : timers()) {
        if (hold)
            KillTimer(nullptr, id);
        else
            schedule(*t);
    }
}

Timer::Timer(Form&, int intervalMs) : d_(std::make_unique<TimerImpl>()) {
    d_->timer = this;
    d_->interval = intervalMs;
    schedule(*d_);
    if (held) timers()[reinterpret_cast<UINT_PTR>(d_.get())] = d_.get();
}

Timer::~Timer() {
    for (auto it = timers().begin(); it != timers().end();)
        it = it->second == d_.get() ? timers().erase(it) : std::next(it);
    if (d_->id) KillTimer(nullptr, d_->id);
}

int Timer::interval() const {
    return d_->interval;
}

}  // namespace platform
