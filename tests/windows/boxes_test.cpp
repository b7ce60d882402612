// Message boxes and the windows they are modal to: the box stays in front
// and takes the keys while it is open; the window it returns to takes them
// after.

#include "harness.h"

namespace {

using Boxes = MainWindowTest;

// The count box and the reminder's box are as wide as their titles need in
// the caption: "Tockmere" and the time a reminder was due are read whole.
// (On Windows the system's boxes are; where a window manager draws the
// title bar, the e2e case on openbox measures it there.)
TEST_F(Boxes, ACountBoxLeftOpenStaysInFrontOfTheWindowAReminderBringsUp) {
    start();
    enter("9", "42", "开会");
    int checked = 0;
    std::vector<std::string> measured;
    whileBoxOpen = [&](const Box& b) {
        if (const auto fit = pt::activeBoxTitleFit()) {
            EXPECT_GE(fit->boxWidth, fit->titleNeeds) << b.title;
            measured.push_back(b.title);
        }
        if (b.prompt == "应该开会") {
            expectBoxInFront("the reminder's box");
            ++checked;
        }
        if (b.prompt != "只有一件事要提醒") return;
        ticksFrom(9, 41, 59, 9, 42, 1);  // told while the count box is open
        expectBoxInFront("the count box after the reminder's");
        ++checked;
    };
    confirm();
    EXPECT_EQ(checked, 2);
    if (!measured.empty()) {
        EXPECT_EQ(measured, (std::vector<std::string>{"Tockmere", " 9:42:00啦!"}));
    }
    whileBoxOpen = nullptr;
    ticksFrom(9, 42, 1, 9, 43, 0);
    EXPECT_EQ(told(takeBoxes()), std::vector<std::string>{" 9:42:00啦!应该开会"}) << "told once";
    EXPECT_TRUE(w->book.noneArmed);
    // The window the boxes return to is active and takes the keys.
    EXPECT_TRUE(pt::isForeground(w->form));
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text1));
    w->Text1.setSelStart(0);
    w->Text1.setSelLength(2);
    pt::typeWhereTheFocusIs("1");
    EXPECT_EQ(w->Text1.text(), "1");
}

TEST_F(Boxes, KeysTypedOnWhileAReminderIsToldGoToItsBoxNotTheEntry) {
    start();
    advanced();
    enter("9", "42", "一");
    more();
    enter("9", "50", "二");
    ASSERT_TRUE(pt::holdsKeyboardFocus(w->Text4));
    int checked = 0;
    whileBoxOpen = [&](const Box&) {
        expectBoxInFront("the reminder's box");
        // A second start shows the window behind the box, not over it.
        w->App_StartAgain();
        expectBoxInFront("the reminder's box after a second start");
        ++checked;
    };
    ticksFrom(9, 41, 59, 9, 42, 1);
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(w->Text4.text(), "二");
    // Back in the entry, where the typing was.
    EXPECT_TRUE(pt::isForeground(w->form));
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text4));
    pt::typeWhereTheFocusIs("三");
    EXPECT_EQ(w->Text4.text(), "二三");
}

}  // namespace
