#include <map>

#include "platform/hooks.h"
#include "platform/shared/timers.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

std::map<UINT_PTR, TimerImpl*>& timers() {
    static std::map<UINT_PTR, TimerImpl*> all;
    return all;
}
bool held = false;

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD);

// How late after its boundary a tick may come and still count as on time.
constexpr int kSlackMs = 25;

// Aims the timer at the next boundary; its first tick there makes it periodic.
void schedule(TimerImpl& t) {
    if (held) return;
    // A thread timer: it ticks in every message loop, message boxes' too.
    t.id = SetTimer(nullptr, t.id, static_cast<UINT>(untilNextBoundary(t.interval)), &tick);
    t.periodic = false;
    timers()[t.id] = &t;
}

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto it = timers().find(id);
    if (it == timers().end()) return;
    TimerImpl* t = it->second;
    // The next tick is set before this one runs. A timer that ticks on time
    // runs on by itself; one that drifted, or ticked early, is aimed again.
    if (!justAfterBoundary(t->interval, kSlackMs)) {
        schedule(*t);
    } else if (!t->periodic) {
        SetTimer(nullptr, t->id, static_cast<UINT>(t->interval), &tick);
        t->periodic = true;
    }
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
