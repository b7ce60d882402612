#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <set>

#include <sys/timerfd.h>
#include <unistd.h>

#include "platform/hooks.h"
#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/qt/zone.h"
#include "platform/shared/timers.h"
#include "platform/system.h"

namespace platform {

namespace {

using namespace std::chrono;

std::set<TimerImpl*>& timers() {
    static std::set<TimerImpl*> all;
    return all;
}
bool held = false;

void schedule(TimerImpl& t) {
    if (held || t.sleeping) return;
    const int in = untilNextBoundary(t.interval);
    t.armedIn = milliseconds{in};
    t.qtimer.start(in);
}

// The local time at a moment of the system clock, as now() reads it.
LocalTime localAt(system_clock::time_point u) {
    const std::time_t seconds = system_clock::to_time_t(u);
    std::tm local{};
    localtime_r(&seconds, &local);
    return LocalTime{
        floor<milliseconds>(u.time_since_epoch() + std::chrono::seconds{local.tm_gmtoff})};
}

// The first moment of the system clock at which the local clock reads
// `moment`. Daylight saving beginning before it brings it nearer by the
// hour: then the moment is found by halving the time to it.
system_clock::time_point wallMoment(LocalTime moment) {
    const auto sysNow = system_clock::now();
    const auto guess = sysNow + (moment - now());
    if (clockOverride() || localAt(guess) <= moment) return guess;
    auto early = sysNow, late = guess;
    while (late - early > milliseconds{1}) {
        const auto middle = early + (late - early) / 2;
        (localAt(middle) >= moment ? late : early) = middle;
    }
    return late;
}

void disarm(TimerImpl& t) {
    t.qtimer.stop();
    t.armedIn.reset();
    if (t.wakeFd >= 0) {
        const itimerspec none{};
        timerfd_settime(t.wakeFd, 0, &none, nullptr);
    }
}

void armSleep(TimerImpl& t);

TimerImpl& of(TimerState& t) {
    return static_cast<TimerImpl&>(t);
}
const TimerArming arming{[](TimerState& t) { disarm(of(t)); },
                         [](TimerState& t) { schedule(of(t)); },
                         [](TimerState& t) { armSleep(of(t)); }};

void onWakeFd(TimerImpl& t) {
    // Expired, or cancelled by a clock set (ECANCELED): either way the tick
    // looks at the clock.
    std::uint64_t expirations = 0;
    if (read(t.wakeFd, &expirations, sizeof expirations) < 0 && errno == EAGAIN) return;
    if (t.sleeping) wakeTimer(t, arming);
}

void armSleep(TimerImpl& t) {
    disarm(t);
    if (held) return;
    if (t.wakeFd < 0) {
        t.wakeFd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (t.wakeFd < 0) {
            // No timerfd: the tick runs on as when shown.
            t.sleeping = false;
            return schedule(t);
        }
        auto notifier = std::make_unique<QSocketNotifier>(t.wakeFd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&t] { onWakeFd(t); });
        t.wakeNotifier = std::move(notifier);
    }
    watchZone();
    // With no moment the timer waits only for a clock set, a year at most.
    const auto at = t.wakeAt ? wallMoment(*t.wakeAt) : system_clock::now() + days{366};
    const auto since = duration_cast<nanoseconds>(at.time_since_epoch());
    itimerspec wakeTime{};
    wakeTime.it_value.tv_sec = static_cast<time_t>(since.count() / 1'000'000'000);
    wakeTime.it_value.tv_nsec = static_cast<long>(since.count() % 1'000'000'000);
    timerfd_settime(t.wakeFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &wakeTime, nullptr);
    if (t.wakeAt) t.armedIn = ceil<milliseconds>(at - system_clock::now());
}

// Its window showing wakes a sleeping timer before the window is drawn.
class ShowWatch : public QObject {
public:
    explicit ShowWatch(TimerImpl& t) : t_(t) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) timerShows(t_, arming);
        return false;
    }

private:
    TimerImpl& t_;
};

}  // namespace

void noticeClockChange() {
    // A copy: a tick may make or end timers.
    const std::set<TimerImpl*> all = timers();
    for (TimerImpl* t : all)
        if (timers().count(t) && t->sleeping) wakeTimer(*t, arming);
}

void holdAllTimers(bool hold) {
    held = hold;
    for (TimerImpl* t : timers()) holdTimer(*t, hold, arming);
}

Timer::Timer(Form& form, int intervalMs) : d_(std::make_unique<TimerImpl>()) {
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
    if (QWidget* window = form.impl().widget) {
        d_->showWatch = std::make_unique<ShowWatch>(*d_);
        window->installEventFilter(d_->showWatch.get());
    }
    timers().insert(d_.get());
    schedule(*d_);
}

Timer::~Timer() {
    timers().erase(d_.get());
    d_->wakeNotifier.reset();
    if (d_->wakeFd >= 0) close(d_->wakeFd);
}

int Timer::interval() const {
    return d_->interval;
}

void Timer::sleepUntil(std::optional<LocalTime> moment) {
    sleepTimer(*d_, moment, arming);
}

}  // namespace platform
