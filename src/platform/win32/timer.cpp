#include <algorithm>
#include <map>

#include "platform/hooks.h"
#include "platform/shared/timers.h"
#include "platform/system.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

using namespace std::chrono;

std::map<UINT_PTR, TimerImpl*>& timers() {
    static std::map<UINT_PTR, TimerImpl*> all;
    return all;
}
bool held = false;

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD);

// How late after its boundary a tick may come and still count as on time.
constexpr int kSlackMs = 25;

void setTimer(TimerImpl& t, long long ms) {
    // A thread timer: it ticks in every message loop, message boxes' too.
    t.id = SetTimer(nullptr, t.id, static_cast<UINT>(ms), &tick);
    timers()[t.id] = &t;
}

// Aims the timer at the next boundary; its first tick there makes it periodic.
void schedule(TimerImpl& t) {
    if (held || t.sleeping) return;
    const int in = untilNextBoundary(t.interval);
    t.armedIn = milliseconds{in};
    setTimer(t, in);
    t.periodic = false;
}

long long fileTimeMs(const FILETIME& ft) {
    return static_cast<long long>((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) |
                                  ft.dwLowDateTime) /
           10'000;
}

// Milliseconds until the local clock reads `moment`, by the time zone's
// rules for that day (daylight saving beginning or ending before it too).
long long untilLocal(LocalTime moment) {
    const long long plain = duration_cast<milliseconds>(moment - now()).count();
    if (clockOverride()) return plain;
    const auto day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{moment - day};
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(static_cast<int>(date.year()));
    local.wMonth = static_cast<WORD>(static_cast<unsigned>(date.month()));
    local.wDay = static_cast<WORD>(static_cast<unsigned>(date.day()));
    local.wHour = static_cast<WORD>(time.hours().count());
    local.wMinute = static_cast<WORD>(time.minutes().count());
    local.wSecond = static_cast<WORD>(time.seconds().count());
    local.wMilliseconds = static_cast<WORD>(time.subseconds().count());
    SYSTEMTIME utc;
    FILETIME due, current;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &due))
        return plain;
    GetSystemTimeAsFileTime(&current);
    return fileTimeMs(due) - fileTimeMs(current) + 1;
}

void disarm(TimerImpl& t) {
    if (t.id) KillTimer(nullptr, t.id);
    t.armedIn.reset();
}

// Aims a sleeping timer at its moment; with none it waits for the window to
// hear of a clock change.
void armSleep(TimerImpl& t) {
    disarm(t);
    if (held || !t.wakeAt) return;
    const long long in = std::clamp<long long>(untilLocal(*t.wakeAt), 1, USER_TIMER_MAXIMUM);
    t.armedIn = milliseconds{in};
    setTimer(t, in);
}

TimerImpl& of(TimerState& t) {
    return static_cast<TimerImpl&>(t);
}
const TimerArming arming{[](TimerState& t) { disarm(of(t)); },
                         [](TimerState& t) { schedule(of(t)); },
                         [](TimerState& t) { armSleep(of(t)); }};

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto it = timers().find(id);
    if (it == timers().end()) return;
    TimerImpl* t = it->second;
    if (t->sleeping) return wakeTimer(*t, arming);
    // The next tick is set before this one runs. A timer that ticks on time
    // runs on by itself; one that drifted, or ticked early, is aimed again.
    if (!justAfterBoundary(t->interval, kSlackMs)) {
        schedule(*t);
    } else if (!t->periodic) {
        setTimer(*t, t->interval);
        t->periodic = true;
    }
    if (t->timer && t->timer->onTimer) t->timer->onTimer();
}

// The timers of a window, copied: a tick may make or end timers.
std::vector<TimerImpl*> timersOf(HWND window) {
    std::vector<TimerImpl*> of;
    for (auto& [id, t] : timers())
        if (t->window == window && std::find(of.begin(), of.end(), t) == of.end()) of.push_back(t);
    return of;
}

bool stillThere(TimerImpl* t) {
    for (auto& [id, each] : timers())
        if (each == t) return true;
    return false;
}

}  // namespace

void timersHearClockChange(HWND window) {
    for (TimerImpl* t : timersOf(window))
        if (stillThere(t) && t->sleeping) wakeTimer(*t, arming);
}

void timersHearShowing(HWND window) {
    for (TimerImpl* t : timersOf(window))
        if (stillThere(t)) timerShows(*t, arming);
}

void holdAllTimers(bool hold) {
    held = hold;
    std::vector<TimerImpl*> all;
    for (auto& [id, t] : timers())
        if (std::find(all.begin(), all.end(), t) == all.end()) all.push_back(t);
    for (TimerImpl* t : all) holdTimer(*t, hold, arming);
}

Timer::Timer(Form& form, int intervalMs) : d_(std::make_unique<TimerImpl>()) {
    d_->timer = this;
    d_->interval = intervalMs;
    d_->window = form.impl().hwnd;
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

void Timer::sleepUntil(std::optional<LocalTime> moment) {
    sleepTimer(*d_, moment, arming);
}

}  // namespace platform
