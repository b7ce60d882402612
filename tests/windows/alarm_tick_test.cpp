// The tick tells a reminder at its second, and the window comes back as at
// start: centred wherever it was moved, in front, its hour field selected.
// (What is told when, in every order, and what the entry shows after, is
// the model's: sequences.cpp.)
#include "harness.h"

namespace {

using AlarmTick = MainWindowTest;

TEST_F(AlarmTick, OneReminderIsToldAtItsSecondAndTheWindowComesBackCentredInFront) {
    start();
    w->form.setLeft(0);  // moved away before it was armed
    w->form.setTop(0);
    arm({{"9", "42", "开会"}});
    pt::bringAnotherWindowForward();
    ticksFrom(9, 41, 50, 9, 41, 59);
    EXPECT_TRUE(takeBoxes().empty());
    EXPECT_EQ(w->Label1.caption(), "9:41:59");
    tickAt(9, 42, 0, 2);
    EXPECT_EQ(takeBoxes(), std::vector<Box>{okBox("应该开会", " 9:42:00啦!")});
    EXPECT_NEAR(w->form.height(), 2500, 15);
    EXPECT_NEAR(w->form.left(), (platform::screenWidth() - w->form.width()) / 2, 15) << "centred";
    EXPECT_NEAR(w->form.top(), (platform::screenHeight() - w->form.height()) / 2, 15);
    EXPECT_TRUE(w->form.topMost());
    // In front, the hour field has the keyboard, its text selected, so
    // that what is typed takes its place.
    EXPECT_TRUE(pt::isForeground(w->form));
    pt::typeWhereTheFocusIs("8");
    EXPECT_EQ(w->Text1.text(), "8");
}

}  // namespace
