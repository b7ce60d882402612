// The main window's clock, and the 500 ms timer behind it: right the moment
// the window shows, however long it was hidden, and the timer left to run
// while it ticks on the half second. Hidden, the timer sleeps until the next
// reminder is due, and a clock set wakes it.
#include <chrono>

#include "harness.h"
#include "platform/shared/timers.h"

namespace {

using std::chrono::milliseconds;

class ClockShown : public MainWindowTest {
protected:
    // Counts the window's ticks from now on, the window's own handler kept.
    void countTicks() {
        w->Timer1.onTimer = [this, tick = w->Timer1.onTimer] {
            ++ticks;
            tick();
        };
    }
    // Lets the event loop run for a while of real time.
    static void runFor(milliseconds span) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) pt::processEvents();
    }
    int ticks = 0;
};

TEST_F(ClockShown, HiddenTheTimerSleepsTillTheReminderAndAClockSetWakesIt) {
    start();
    arm({{"10", "42", "开会"}});
    ASSERT_FALSE(w->form.visible());
    countTicks();
    pt::holdTimers(false);
    // The first tick that finds the window hidden puts the timer to sleep.
    tickAt(9, 41, 51);
    const auto untilDue = reminder::makeLocalTime(2026, 12, 6, 10, 42, 0) - clock;
    const auto armed = pt::armedTick(w->Timer1);
    ASSERT_TRUE(armed.has_value());
    EXPECT_GE(*armed, untilDue);
    ticks = 0;
    runFor(milliseconds{1200});
    EXPECT_EQ(ticks, 0) << "no tick while hidden and the reminder an hour away";

    // The clock set past the reminder: it is told at once, and once.
    setTime(10, 45, 0);
    pt::announceClockSet();
    pt::processEvents();
    EXPECT_EQ(told(takeBoxes()), std::vector<std::string>{" 10:42:00啦!应该开会"});
    pt::announceClockSet();
    pt::processEvents();
    EXPECT_TRUE(takeBoxes().empty()) << "told once";
    // Back on screen, the clock ticks on the half second again.
    ASSERT_TRUE(w->form.visible());
    const auto shownArmed = pt::armedTick(w->Timer1);
    ASSERT_TRUE(shownArmed.has_value());
    EXPECT_LE(*shownArmed, milliseconds{501});
    pt::holdTimers(true);
}

TEST_F(ClockShown, TheClockIsRightTheMomentTheWindowShowsAgain) {
    start();
    tickAt(9, 41, 50);
    ASSERT_EQ(pt::labelShows(w->Label1), reminder::clockText(clock));
    // Hidden from the menu, shown again from it and by the program itself,
    // with the clock ticking on behind it.
    for (const auto& showAgain : std::initializer_list<std::function<void()>>{
             [this] { pt::chooseMenuItem(w->mnuTrayRestore); }, [this] { w->form.show(); }}) {
        pt::chooseMenuItem(w->mnuTrayHide);
        ASSERT_FALSE(w->form.visible());
        // One tick finds the window hidden; the clock runs on without one.
        tickAt(9, 41, 51);
        setTime(9, 45, 7);
        showAgain();
        ASSERT_TRUE(w->form.visible());
        EXPECT_EQ(pt::labelShows(w->Label1), reminder::clockText(clock));
        EXPECT_EQ(w->Label1.caption(), reminder::clockText(clock));
        tickAt(9, 45, 8);
        EXPECT_EQ(pt::labelShows(w->Label1), reminder::clockText(clock)) << "shown, it ticks on";
    }
    // A reader that goes to the clock reads the time, and hears it is the clock.
    EXPECT_EQ(pt::accessibleName(w->Label1), "9:45:08");
    EXPECT_EQ(pt::accessibleDescription(w->Label1), "时钟");
}

// Shown, on the system's clock, the timer runs on by itself from one half
// second to the next, and no more often: four ticks come, and take at least
// the second and a half between the first and the last. (A loaded machine
// only makes them later.)
TEST_F(ClockShown, ShownTheTimerTicksTwiceASecondAndNoMore) {
    pt::setClock(nullptr);
    start();
    std::vector<std::chrono::steady_clock::time_point> at;
    w->Timer1.onTimer = [&, tick = w->Timer1.onTimer] {
        at.push_back(std::chrono::steady_clock::now());
        tick();
    };
    pt::holdTimers(false);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds{10};
    while (at.size() < 4 && std::chrono::steady_clock::now() < end) pt::processEvents();
    pt::holdTimers(true);
    ASSERT_EQ(at.size(), 4u) << "the timer stopped ticking";
    EXPECT_GE(at.back() - at.front(), milliseconds{1450});
}

// A tick on time is within a few milliseconds after the full or half
// second; one that came early, or late enough to be seen, is not.
TEST_F(ClockShown, ATickIsOnTimeJustAfterTheHalfSecond) {
    const int slack = 25;
    const std::pair<int, bool> cases[] = {{0, true},    {1, true},    {25, true},  {26, false},
                                          {250, false}, {499, false}, {500, true}, {525, true},
                                          {526, false}, {999, false}};
    for (const auto& [ms, onTime] : cases) {
        setTime(9, 41, 50, ms);
        EXPECT_EQ(platform::justAfterBoundary(500, slack), onTime) << ms << " ms";
    }
}

}  // namespace
