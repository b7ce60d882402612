// Orders of events, generated: random sequences of everything a person and
// the system can do, boxes, menus and About open or not, each checked step
// by step against the model (sequences.cpp). What a run once found stays
// here as a named case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

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
const Action hide{A::Menu, 4}, about{A::Menu, 5}, ok{A::Answer, 0}, message{A::TypeMessage, 1};

// 普通 chosen from the tray while "就这些吧?我记不下了!" waits: the entry is
// normal again after the box, and 确定 arms reminder 1 once.
TEST(Sequences, NormalWhileTheThirdIsTakenLeavesOneReminder) {
    const Action more{A::ClickLeft};
    EXPECT_EQ(playSequence({{A::Menu, 1},
                            message,
                            more,
                            message,
                            more,
                            message,
                            more,
                            {A::Menu, 0},
                            ok,
                            ok,
                            {A::ClickConfirm}}),
              "");
}

// About brings a window put away with 隐藏 back into use: armed after it,
// the menu offers no 恢复.
TEST(Sequences, AboutAfterHideLeavesNoRestoreOnceArmed) {
    EXPECT_EQ(playSequence({hide, about, ok, message, {A::ClickConfirm}}), "");
}

// Armed, a second start shows what is armed and leaves the window in the
// tray; minimised, it brings the window back.
TEST(Sequences, ASecondStartArmedShowsTheNoticeMinimisedBringsTheWindow) {
    EXPECT_EQ(playSequence({message, {A::ClickConfirm}, ok, {A::SecondStart}}), "");
    EXPECT_EQ(playSequence({{A::Minimise}, {A::SecondStart}}), "");
}

// Put away with 隐藏 while its passed-time box is open, the idle window
// comes back on a second start before About opens over it.
TEST(Sequences, ASecondStartUnderTheOpenBoxBringsTheHiddenWindowBack) {
    EXPECT_EQ(playSequence({{A::TypeMessage, 0},
                            hide,
                            {A::Menu, 3},
                            {A::TypeMinute, 0},
                            {A::ClickConfirm},
                            hide,
                            {A::Escape},
                            {A::SecondStart}}),
              "");
}

// Once a box or About closes over the armed, hidden window, no window of
// the program keeps the keys out of view.
TEST(Sequences, TheHiddenWindowTakesNoKeysAfterTheCountBoxOrAbout) {
    EXPECT_EQ(playSequence({message, {A::ClickConfirm}, ok, about, ok}), "");
    EXPECT_EQ(playSequence({{A::JumpForward, 0}, {A::TypeMessage, 0}, {A::Enter}, hide}), "");
}

// 普通 chosen again while its own question is open asks nothing more.
TEST(Sequences, NormalWhileItsQuestionIsOpenAsksOnce) {
    const Action more{A::ClickLeft}, normal{A::Menu, 0};
    EXPECT_EQ(playSequence({{A::Menu, 1}, message, more, message, more, normal, normal}), "");
}

// Taken out of order (9:50, 9:45, 10:00) and hidden, one clock jump over
// all three tells them in the order of their moments.
TEST(Sequences, TakenRemindersCrossedAtOnceAreToldInTheirOrder) {
    const Action more{A::ClickLeft}, nine{A::TypeHour, 1}, ten{A::TypeHour, 0};
    EXPECT_EQ(playSequence({{A::Menu, 1},
                            nine,
                            {A::TypeMinute, 3},
                            message,
                            more,
                            nine,
                            {A::TypeMinute, 2},
                            message,
                            more,
                            ten,
                            {A::TypeMinute, 0},
                            message,
                            more,
                            ok,
                            hide,
                            {A::JumpForward, 3}}),
              "");
}

// A clock set back while a reminder's box is open: the reminder armed
// right after, between the new time and the old, still comes.
TEST(Sequences, AClockSetBackBehindABoxLosesNoReminder) {
    EXPECT_EQ(playSequence({message,
                            {A::Tab},
                            {A::Enter},
                            {A::ToNextDue},
                            {A::JumpBack, 0},
                            {A::Escape},
                            ok,
                            message,
                            {A::ClickConfirm}}),
              "");
}

// The clock set back while a reminder's box is open: the next one the tick
// had crossed waits for its moment again, told then and not before.
TEST(Sequences, AClockSetBackBehindABoxTellsNothingEarly) {
    const Action more{A::ClickLeft};
    EXPECT_EQ(playSequence(
                  {{A::Menu, 1}, message, more, message, more, {A::ToNextDue}, {A::JumpBack, 0}}),
              "");
}

// The window shown from the tray while a box is open: no field is visited
// behind the box, and the box is not asked twice.
TEST(Sequences, TheWindowBackBehindABoxVisitsNoField) {
    EXPECT_EQ(playSequence({{A::TypeMessage, 0},
                            hide,
                            {A::SecondStart},
                            {A::JumpForward, 0},
                            {A::ClickConfirm},
                            hide,
                            {A::SecondStart}}),
              "");
}

// 恢复 brings the window back into the message field, whose time has passed
// meanwhile: the box that says so finds the window in use, not put away.
TEST(Sequences, RestoreIsInUseBeforeTheFieldsCheckSpeaks) {
    const Action restore{A::Menu, 3};
    EXPECT_EQ(playSequence({{A::TypeMessage, 0},
                            hide,
                            restore,
                            {A::ClickConfirm},
                            hide,
                            ok,
                            {A::JumpForward, 0},
                            restore}),
              "");
}

// The notice window closed while a reminder's box is open gives the keys
// back to the box, not to the window collapsed behind it.
TEST(Sequences, TheNoticeClosedBehindAReminderGivesTheKeysToItsBox) {
    EXPECT_EQ(
        playSequence({message, {A::ClickConfirm}, {A::ToNextDue}, {A::TrayLeft}, {A::CloseNotice}}),
        "");
}

}  // namespace
