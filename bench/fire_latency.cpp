// How late after the full minute the box of a due reminder is on screen.
//
// The real main window runs its real event loop and its 500 ms timer ticks by
// itself. The program's clock is the system clock moved by an offset: before
// each round the offset is set so that the clock reads hh:mm:58 and some
// random milliseconds, a reminder is armed for the next minute through the
// window's own fields and confirm button, and the clock then runs on in real
// time until the reminder fires. The lateness of a firing is the program's
// clock, read while the box is on screen, less the due moment.
//
// usage: fire_latency [--rounds N] [--due-log FILE]
//   --due-log FILE  writes one line per firing: the box's title, a tab, and
//                   the due moment as seconds since the Unix epoch on the
//                   system clock, so that an outside watcher can match the
//                   moment the box was mapped on the display.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/types.h"
#include "reminder/clock_text.h"
#include "support/local_time.h"
#include "support/testing.h"
#include "windows/frmMain.h"

namespace {

using namespace std::chrono;
namespace pt = platform::testing;

using LocalMicros = local_time<microseconds>;

// The system clock moved by an offset, read as local time.
class ShiftedClock {
public:
    LocalMicros read() const { return LocalMicros{systemMicros() + offset_}; }
    platform::LocalTime readMillis() const {
        return platform::LocalTime{floor<milliseconds>(read().time_since_epoch())};
    }
    // From now on the clock reads `at`, and runs on from there.
    void setTo(LocalMicros at) { offset_ = at.time_since_epoch() - systemMicros(); }
    // The system clock's reading (since the Unix epoch) at a local moment.
    double systemSeconds(LocalMicros at) const {
        return duration<double>(at.time_since_epoch() - offset_).count();
    }

private:
    static microseconds systemMicros() {
        return duration_cast<microseconds>(system_clock::now().time_since_epoch());
    }
    microseconds offset_{0};
};

double millisBetween(LocalMicros from, LocalMicros to) {
    return duration<double, std::milli>(to - from).count();
}

struct Firing {
    std::string title;
    double tickLate = 0;   // ms from the due moment to the start of the tick that fired
    double shownLate = 0;  // ms from the due moment to the box on screen
};

struct Summary {
    double min = 0, median = 0, worst = 0;
};

Summary summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {v.front(), median, v.back()};
}

class Bench {
public:
    Bench(frmMain& w, ShiftedClock& clock, int rounds, std::string dueLogPath)
        : w_(w), clock_(clock), rounds_(rounds), dueLog_(std::move(dueLogPath)) {}

    // Takes over the window's timer and its message boxes.
    void attach() {
        auto tick = w_.Timer1.onTimer;
        w_.Timer1.onTimer = [this, tick] {
            lastTickStart_ = clock_.read();
            const bool outer = depth_ == 0;
            ++depth_;
            tick();
            if (outer) drive();
            --depth_;
        };
        pt::watchMessageBoxes([this](const pt::ShownBox& box) { return onBox(box); });
    }

    const std::vector<Firing>& firings() const { return firings_; }
    bool failed() const { return failed_; }

private:
    enum class Phase { Arm, Armed, Finished };

    // Runs after every tick that is not nested in another one.
    void drive() {
        if (phase_ == Phase::Armed) {
            if (fired_) {
                phase_ = Phase::Arm;
            } else if (clock_.read() > due_ + seconds{10}) {
                std::fprintf(stderr, "fire_latency: the reminder for %s did not fire\n",
                             expectedTitle_.c_str());
                finish(true);
            }
            return;
        }
        if (phase_ != Phase::Arm) return;
        if (static_cast<int>(firings_.size()) >= rounds_) return finish(false);
        arm();
    }

    void arm() {
        const int round = static_cast<int>(firings_.size());
        const LocalMicros base{
            microseconds{reminder::makeLocalTime(2026, 12, 6, 9, 0, 0).time_since_epoch()}};
        const LocalMicros due = base + minutes{round + 1};
        std::uniform_int_distribution<int> millis(0, 999);
        clock_.setTo(due - seconds{2} + milliseconds{millis(random_)});

        const auto timeOfDay = due - floor<days>(due);
        const auto hour = duration_cast<hours>(timeOfDay);
        const auto minute = duration_cast<minutes>(timeOfDay - hour);
        const int m = static_cast<int>(minute.count());
        const std::string minuteText{static_cast<char>('0' + m / 10),
                                     static_cast<char>('0' + m % 10)};
        const std::string hourText = std::to_string(hour.count());

        w_.Text1.setText(hourText);
        w_.Text2.setText(minuteText);
        w_.Text4.setText("第" + std::to_string(round + 1) + "次");
        w_.Text4.setFocus();
        // Entering the message field enables confirm once the window has the
        // focus, which on a real display waits for the window manager.
        const auto giveUp = steady_clock::now() + milliseconds{800};
        while (!w_.Command2.enabled() && steady_clock::now() < giveUp) {
            pt::processEvents();
            std::this_thread::sleep_for(milliseconds{1});
        }
        if (!w_.Command2.enabled()) {
            if (++failedArms_ >= 10) {
                std::fprintf(stderr, "fire_latency: confirm never became enabled\n");
                finish(true);
            }
            return;  // tried again on the next tick
        }
        failedArms_ = 0;

        armedBoxSeen_ = false;
        fired_ = false;
        due_ = due;
        expectedTitle_ = " " + reminder::dueTimeText(hourText, minuteText) + "啦!";
        pt::click(w_.Command2);
        if (!armedBoxSeen_ || w_.book.noneArmed || w_.book.slot(1).time.empty()) {
            std::fprintf(stderr, "fire_latency: confirming %s:%s did not arm the reminder\n",
                         hourText.c_str(), minuteText.c_str());
            return finish(true);
        }
        if (!dueLog_.empty()) {
            std::ofstream log(dueLog_, std::ios::app);
            char line[128];
            std::snprintf(line, sizeof line, "%s\t%.6f\n", expectedTitle_.c_str(),
                          clock_.systemSeconds(due_));
            log << line;
        }
        phase_ = Phase::Armed;
    }

    std::string onBox(const pt::ShownBox& box) {
        const LocalMicros shown = clock_.read();
        if (phase_ == Phase::Armed && box.title == expectedTitle_ && !fired_) {
            fired_ = true;
            firings_.push_back(
                {box.title, millisBetween(due_, lastTickStart_), millisBetween(due_, shown)});
            const Firing& f = firings_.back();
            std::printf("firing %2zu %s  tick %+7.1f ms  box %+7.1f ms\n", firings_.size(),
                        reminder::clockText(clock_.readMillis()).c_str(), f.tickLate, f.shownLate);
            std::fflush(stdout);
            // Keep the box up a moment, as a person reading it would, so that
            // it is really mapped and drawn before it is answered.
            const auto until = steady_clock::now() + milliseconds{200};
            while (steady_clock::now() < until) {
                pt::processEvents();
                std::this_thread::sleep_for(milliseconds{2});
            }
        } else if (box.prompt == "只有一件事要提醒") {
            armedBoxSeen_ = true;
        } else {
            std::fprintf(stderr, "fire_latency: unexpected box \"%s\" titled \"%s\"\n",
                         box.prompt.c_str(), box.title.c_str());
            failed_ = true;
        }
        return "确定";
    }

    void finish(bool failed) {
        failed_ = failed_ || failed;
        phase_ = Phase::Finished;
        w_.form.unload();  // the last window: the event loop ends
    }

    frmMain& w_;
    ShiftedClock& clock_;
    const int rounds_;
    const std::string dueLog_;
    std::mt19937 random_{std::random_device{}()};

    Phase phase_ = Phase::Arm;
    int depth_ = 0;
    int failedArms_ = 0;
    bool armedBoxSeen_ = false;
    bool fired_ = false;
    bool failed_ = false;
    LocalMicros due_{};
    LocalMicros lastTickStart_{};
    std::string expectedTitle_;
    std::vector<Firing> firings_;
};

void printSummary(const char* what, const std::vector<double>& values) {
    const Summary s = summarise(values);
    std::printf("%-32s median %6.1f ms  worst %6.1f ms  min %6.1f ms  count %zu\n", what, s.median,
                s.worst, s.min, values.size());
}

int usage() {
    std::fprintf(stderr, "usage: fire_latency [--rounds N] [--due-log FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    platform::Application app(argc, argv);

    int rounds = 20;
    std::string dueLog;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
            if (rounds < 1) return usage();
        } else if (arg == "--due-log" && i + 1 < argc) {
            dueLog = argv[++i];
        } else {
            return usage();
        }
    }
    if (!dueLog.empty()) std::ofstream(dueLog, std::ios::trunc);

    ShiftedClock clock;
    clock.setTo(LocalMicros{
        microseconds{reminder::makeLocalTime(2026, 12, 6, 8, 59, 30).time_since_epoch()}});
    pt::setClock([&clock] { return clock.readMillis(); });

    frmMain w;
    Bench bench(w, clock, rounds, dueLog);
    bench.attach();
    app.run();
    pt::watchMessageBoxes(nullptr);

    const std::vector<Firing>& firings = bench.firings();
    if (firings.empty()) {
        std::fprintf(stderr, "fire_latency: no reminder fired\n");
        return 1;
    }
    std::vector<double> tick, shown, tickToShown;
    for (const Firing& f : firings) {
        tick.push_back(f.tickLate);
        shown.push_back(f.shownLate);
        tickToShown.push_back(f.shownLate - f.tickLate);
    }
    std::printf("\n");
    printSummary("box on screen after the minute:", shown);
    printSummary("tick start after the minute:", tick);
    printSummary("tick start to box on screen:", tickToShown);
    const double median = summarise(shown).median;
    std::printf("aim: median of the box at most 20 ms: %s\n", median <= 20 ? "met" : "missed");
    if (bench.failed() || static_cast<int>(firings.size()) < rounds) return 1;
    return 0;
}
