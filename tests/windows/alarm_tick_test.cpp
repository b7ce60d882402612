// The tick: the clock label, reminders told at their time, once each.
#include "harness.h"

namespace {

using Told = std::vector<std::string>;

class AlarmTick : public MainWindowTest {
protected:
    bool idle() const {
        const reminder::Book& b = w->book;
        return b.noneArmed && b.eventCount == 1 && !b.advancedMode && b.slot(1).empty() &&
               b.slot(2).empty() && b.slot(3).empty();
    }
};

TEST_F(AlarmTick, OneReminderIsToldAtItsSecondAndTheWindowComesBackIdle) {
    start();
    w->form.setLeft(0);  // moved away before it was armed
    w->form.setTop(0);
    arm({{"9", "42", "开会"}});
    pt::bringAnotherWindowForward();
    bool collapsed = false;
    whileBoxOpen = [&](const Box&) {
        collapsed = w->form.visible() && w->form.height() < 2500 / 2;
        expectBoxInFront("the reminder's box");
    };
    ticksFrom(9, 41, 50, 9, 41, 59);
    EXPECT_TRUE(takeBoxes().empty());
    EXPECT_EQ(w->Label1.caption(), "9:41:59");

    tickAt(9, 42, 0, 2);
    EXPECT_EQ(takeBoxes(), std::vector<Box>{okBox("应该开会", " 9:42:00啦!")});
    EXPECT_TRUE(collapsed) << "only the title bar stands above the box";
    EXPECT_TRUE(idle());
    EXPECT_TRUE(w->form.visible());
    EXPECT_NEAR(w->form.height(), 2500, 15);
    EXPECT_NEAR(w->form.left(), (platform::screenWidth() - w->form.width()) / 2, 15) << "centred";
    EXPECT_NEAR(w->form.top(), (platform::screenHeight() - w->form.height()) / 2, 15);
    EXPECT_TRUE(w->form.topMost());
    EXPECT_EQ(w->Text4.text(), "");
    EXPECT_EQ(w->Text1.text(), "9");
    EXPECT_EQ(w->Text2.text(), "43");
    EXPECT_EQ(w->Label5.caption(), "提醒信息 (最多五十字)");
    // The entry starts again as at start, in front: the hour field has the
    // keyboard, its text selected, so that what is typed takes its place.
    EXPECT_TRUE(pt::isForeground(w->form));
    pt::typeWhereTheFocusIs("8");
    EXPECT_EQ(w->Text1.text(), "8");

    ticksFrom(9, 42, 0, 9, 43, 0);
    EXPECT_TRUE(takeBoxes().empty()) << "told once";
}

TEST_F(AlarmTick, TicksWhileABoxIsOpenOnlyShowTheClock) {
    start();
    arm({{"10", "0", "一"}, {"10", "0", "二"}, {"10", "1", "三"}});
    std::vector<std::string> labels;
    whileBoxOpen = [&](const Box& b) {
        if (b.prompt != "应该一") return;
        // A minute and a half of ticks go on behind the first box.
        for (int half = 1; half <= 180; ++half) {
            clock += std::chrono::milliseconds{500};
            pt::fireTimer(w->Timer1);
        }
        labels.push_back(w->Label1.caption());
    };
    tickAt(10, 0, 0, 3);
    EXPECT_EQ(labels, (std::vector<std::string>{"10:01:30"}));
    EXPECT_EQ(told(takeBoxes()), (Told{" 10:00:00啦!应该一", " 10:00:00啦!应该二"}));
    EXPECT_FALSE(w->form.visible());

    // The minute that passed behind the box is checked by the next tick.
    tickAt(10, 1, 31);
    EXPECT_EQ(told(takeBoxes()), (Told{" 10:01:00啦!应该三"}));
    EXPECT_TRUE(idle());
}

}  // namespace
