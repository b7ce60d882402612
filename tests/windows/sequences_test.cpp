// Orders of events, generated: random sequences of everything a person and
// the system can do, boxes, menus and About open or not, each checked step
// by step against the model (sequences.cpp). What a run once found stays
// here as a named case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <utility>

#include "sequences.h"

#ifdef TOCKMERE_RAPIDCHECK
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>
#endif

namespace {

using A = Action;

// More sequences, and longer ones, with TOCKMERE_SEQUENCES=N.
int sequencesToRun(int otherwise) {
    const char* n = std::getenv("TOCKMERE_SEQUENCES");
    return n && std::atoi(n) > 0 ? std::atoi(n) : otherwise;
}

#ifdef TOCKMERE_RAPIDCHECK
rc::Gen<Action> anAction() {
    return rc::gen::construct<Action>(
        rc::gen::weightedElement<Action::Kind>(
            {{3, A::TypeHour},  {3, A::TypeMinute},  {1, A::PasteHour},   {4, A::TypeMessage},
             {3, A::Tab},       {2, A::Enter},       {1, A::Escape},      {4, A::ClickConfirm},
             {4, A::ClickLeft}, {5, A::Menu},        {1, A::TrayLeft},    {1, A::SecondStart},
             {1, A::Minimise},  {1, A::Unminimise},  {1, A::CloseNotice}, {2, A::Tick},
             {3, A::ToNextDue}, {1, A::JumpForward}, {1, A::JumpBack},    {4, A::Answer}}),
        rc::gen::inRange(0, 8));
}

TEST(Sequences, EveryOrderOfEventsKeepsTheModelsRules) {
    rc::detail::TestParams params = rc::detail::configuration().testParams;
    params.maxSuccess = sequencesToRun(2000);
    params.maxSize = 60;
    const auto result = rc::detail::checkProperty(
        rc::detail::toProperty([] {
            const auto actions = *rc::gen::container<std::vector<Action>>(anAction());
            const std::string fault = playSequence(actions);
            if (!fault.empty()) RC_FAIL(fault);
        }),
        rc::detail::TestMetadata{"Sequences", "EveryOrderOfEvents"}, params);
    std::ostringstream report;
    rc::detail::printResultMessage(result, report);
    EXPECT_TRUE(result.template is<rc::detail::SuccessResult>()) << report.str();
}
#else
// Where RapidCheck is not built, the same model plays a seeded batch.
TEST(Sequences, EveryOrderOfEventsKeepsTheModelsRules) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> kind(0, Action::Count - 1), arg(0, 7), length(1, 40);
    const int runs = sequencesToRun(100);
    for (int run = 1; run <= runs; ++run) {
        std::vector<Action> actions(static_cast<std::size_t>(length(random)));
        for (Action& a : actions) a = {static_cast<Action::Kind>(kind(random)), arg(random)};
        const std::string fault = playSequence(actions);
        ASSERT_EQ(fault, "") << "sequence " << run << " of " << runs;
    }
}
#endif

// Orders a generated run found, shrunk, each with the fault it showed.
TEST(Sequences, OrdersOnceFoundKeepTheModelsRules) {
    const std::pair<const char*, const char*> found[] = {
        {"普通 chosen from the tray while 就这些吧 waits: the entry is normal again after the "
         "box, and 确定 arms reminder 1 once",
         "Menu:1 TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft Menu:0 "
         "Answer Answer ClickConfirm"},
        {"About brings a window put away with 隐藏 back into use: armed after it, no 恢复",
         "Menu:4 Menu:5 Answer TypeMessage:1 ClickConfirm"},
        {"armed, a second start shows what is armed and leaves the window in the tray",
         "TypeMessage:1 ClickConfirm Answer SecondStart"},
        {"minimised, a second start brings the window back", "Minimise SecondStart"},
        {"put away while its passed-time box is open, the idle window comes back on a second "
         "start before About opens over it",
         "TypeMessage Menu:4 Menu:3 TypeMinute ClickConfirm Menu:4 Escape SecondStart"},
        {"once the count box or About closes over the armed, hidden window, nothing of the "
         "program keeps the keys out of view",
         "TypeMessage:1 ClickConfirm Answer Menu:5 Answer"},
        {"the same after a passed time's box", "JumpForward TypeMessage Enter Menu:4"},
        {"普通 chosen again while its own question is open asks nothing more",
         "Menu:1 TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft Menu:0 Menu:0"},
        {"taken out of order (9:50, 9:45, 10:00) and hidden, one clock jump over all three "
         "tells them in the order of their moments",
         "Menu:1 TypeHour:1 TypeMinute:3 TypeMessage:1 ClickLeft TypeHour:1 TypeMinute:2 "
         "TypeMessage:1 ClickLeft TypeHour TypeMinute TypeMessage:1 ClickLeft Answer Menu:4 "
         "JumpForward:3"},
        {"a clock set back while a reminder's box is open: one armed right after, between the "
         "new time and the old, still comes",
         "TypeMessage:1 Tab Enter ToNextDue JumpBack Escape Answer TypeMessage:1 ClickConfirm"},
        {"the clock set back behind a reminder's box: the next one the tick had crossed is "
         "told at its moment again, not before",
         "Menu:1 TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft ToNextDue JumpBack"},
        {"the window shown again while a box is open visits no field behind it, and the box "
         "is not asked twice",
         "TypeMessage Menu:4 SecondStart JumpForward ClickConfirm Menu:4 SecondStart"},
        {"put away again from the box a field runs as 恢复 brings the window back: it stays "
         "away",
         "TypeMessage Menu:4 Menu:3 ClickConfirm JumpForward Menu:4 Answer Menu:3 Menu:4"},
        {"the same as a second start brings it back",
         "TypeMessage Menu:4 SecondStart ClickConfirm JumpForward Menu:4 Answer SecondStart "
         "Menu:4"},
        {"恢复 into a message field whose time has passed: its box finds the window in use",
         "TypeMessage Menu:4 Menu:3 ClickConfirm Menu:4 Answer JumpForward Menu:3"},
        {"the notice closed behind a reminder's box gives the keys to the box, not to the "
         "window collapsed behind it",
         "TypeMessage:1 ClickConfirm ToNextDue TrayLeft CloseNotice"},
        {"the third reminder told after 就这些吧, before 确定: 确定 arms the two before it "
         "and does not take the third again",
         "Menu:1 TypeMinute:3 TypeMessage:1 ClickLeft TypeMinute:3 TypeMessage:1 ClickLeft "
         "TypeMessage:1 ClickLeft Answer ToNextDue Answer ClickConfirm"},
        {"the same, told while 就这些吧 is still open",
         "Menu:1 TypeMinute:3 TypeMessage:1 ClickLeft TypeMinute:3 TypeMessage:1 ClickLeft "
         "TypeMessage:1 ClickLeft ToNextDue Answer Answer ClickConfirm"},
        {"all three told before 确定: the fields are checked as typed, their time passed",
         "Menu:1 TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft Answer "
         "ToNextDue Answer Answer Answer ClickConfirm"},
        {"taken later first (10:42, then 9:42) and armed: each is told at its moment, and the "
         "entry is idle only after the last",
         "Menu:1 TypeHour:0 TypeMessage:1 ClickLeft TypeMessage:1 ClickConfirm"},
        {"普通 drops reminders two and three: back in 高级, 普通 has nothing to ask",
         "Menu:1 TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft Menu:0 Answer Menu:1"},
        {"重设 answered 确定: the hour field is named for the first reminder again before it "
         "takes the keys",
         "Menu:1 TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft TypeMessage:1 ClickLeft Answer "
         "ClickLeft Answer"},
    };
    for (const auto& [why, actions] : found) {
        const std::string fault = playSequence(actionsFrom(actions));
        EXPECT_TRUE(fault.empty()) << why << ": " << fault;
    }
}

}  // namespace
