// The main window's clock, and the 500 ms timer behind it: right the moment
// the window shows, however long it was hidden, and the timer left to run
// while it ticks on the half second.
#include "harness.h"
#include "platform/shared/timers.h"

namespace {

class ClockShown : public MainWindowTest {};

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
        ticksFrom(9, 41, 51, 9, 45, 7);
        showAgain();
        ASSERT_TRUE(w->form.visible());
        EXPECT_EQ(pt::labelShows(w->Label1), reminder::clockText(clock));
        EXPECT_EQ(w->Label1.caption(), reminder::clockText(clock));
        tickAt(9, 45, 8);
        EXPECT_EQ(pt::labelShows(w->Label1), reminder::clockText(clock)) << "shown, it ticks on";
    }
}

// A tick on time is within a few milliseconds after the full or half
// second; one that came early, or late enough to be seen, is not.
TEST_F(ClockShown, ATickIsOnTimeJustAfterTheHalfSecond) {
    const int slack = 25;
    for (const auto& [ms, onTime] : std::initializer_list<std::pair<int, bool>>{{0, true},
                                                                                {1, true},
                                                                                {25, true},
                                                                                {26, false},
                                                                                {250, false},
                                                                                {499, false},
                                                                                {500, true},
                                                                                {525, true},
                                                                                {526, false},
                                                                                {999, false}}) {
        setTime(9, 41, 50, ms);
        EXPECT_EQ(platform::justAfterBoundary(500, slack), onTime) << ms << " ms";
        EXPECT_EQ(platform::untilNextBoundary(500), (ms < 500 ? 500 - ms : 1000 - ms) + 1) << ms;
    }
}

}  // namespace
