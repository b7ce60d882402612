// Confirm, More and Reset, and the entry modes, driven through the real window.
#include "harness.h"

namespace {

const Box kBadTime = errorBox("时间设置不正确!");
const Box kPassed = errorBox("你设置的时间已经过去啦!");

using Commands = MainWindowTest;

TEST_F(Commands, ConfirmReportsTheFirstFaultThenArmsOneReminderAndHidesTheWindow) {
    start();
    enter("9", "5", "");
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed}) << "9:05 has passed at 9:41";

    // One fault at a time: a bad time, a passed one, then an empty message.
    enter("9", "50", "");
    w->Text1.setText("24");
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kBadTime});
    w->Text1.setText("9");
    w->Text2.setText("40");
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed});
    w->Text2.setText("50");
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("你还没有输入要提醒的事!")});
    EXPECT_EQ(slots(), (Slots{{"", ""}, {"", ""}, {"", ""}}));
    EXPECT_TRUE(w->form.visible());
    EXPECT_TRUE(w->book.noneArmed);

    enter("10", "5", "开会");
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("只有一件事要提醒")});
    EXPECT_EQ(w->Text2.text(), "05") << "the check puts a zero in front of the minute";
    EXPECT_EQ(slots(), (Slots{{"10:05:00", "开会"}, {"", ""}, {"", ""}}));
    EXPECT_FALSE(w->form.visible());
    EXPECT_FALSE(w->book.noneArmed);
    EXPECT_EQ(w->book.eventCount, 1);
    EXPECT_EQ(w->Text4.text(), "开会") << "the fields stay as they were";
}

TEST_F(Commands, TheMessageIsStoredAndToldAsTyped) {
    start();
    // A line break, as a paste puts one there, reads back as one.
    w->Text4.setText("三楼\n带");
    EXPECT_EQ(w->Text4.text(), "三楼\n带");
    // A no-break space, a line separator, a trailing space: all kept.
    const std::string message = "会\u00A0议\u2028三楼 ";
    enter("10", "0", message);
    EXPECT_EQ(w->Text4.text(), message);
    confirm();
    EXPECT_EQ(slots(), (Slots{{"10:00:00", message}, {"", ""}, {"", ""}}));
    tickAt(10, 0, 0, 5);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{product("只有一件事要提醒"),
                                             okBox("应该" + message, " 10:00:00啦!")}));
}

TEST_F(Commands, MoreTakesThreeRemindersAndConfirmArmsThemInOrder) {
    start();
    advanced();
    EXPECT_EQ(w->Command1.caption(), "还有");
    enter("11", "0", "三");
    more();
    EXPECT_EQ(w->book.eventCount, 2);
    EXPECT_EQ(w->Label5.caption(), "提醒信息（事件二）");
    EXPECT_EQ(w->Text4.text(), "");
    EXPECT_EQ(w->Text2.text(), "42") << "the fields are prefilled again";

    more();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("你还没有输入第二件事!")});
    enter("10", "0", "二");
    more();
    EXPECT_EQ(w->Label5.caption(), "提醒信息（事件三）");
    w->Text1.setText("9");
    w->Text2.setText("0");
    more();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed});
    EXPECT_EQ(w->book.eventCount, 3);
    enter("9", "50", "一");
    more();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("就这些吧?我记不下了!")});
    EXPECT_EQ(w->book.eventCount, 4);
    EXPECT_EQ(w->Command1.caption(), "重设");
    EXPECT_TRUE(w->Command2.hasFocus());
    EXPECT_EQ(w->Text4.text(), "一") << "the third reminder stays in the fields";

    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("有三件事要提醒")});
    EXPECT_EQ(slots(), (Slots{{"9:50:00", "一"}, {"10:00:00", "二"}, {"11:00:00", "三"}}));
    EXPECT_EQ(w->book.eventCount, 3);
    EXPECT_FALSE(w->form.visible());
}

TEST_F(Commands, ResetAfterThreeAsksFirstAndStartsAgain) {
    start();
    advanced();
    for (const char* m : {"a", "b", "c"}) {
        enter("10", "0", m);
        more();
    }
    takeBoxes();
    answers = {"取消"};
    more();
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"真的要重设吗?", "Tockmere", {"确定", "取消"}}}));
    EXPECT_EQ(w->book.eventCount, 4);
    EXPECT_EQ(slots(), (Slots{{"10:00:00", "a"}, {"10:00:00", "b"}, {"10:00:00", "c"}}));

    w->Text1.setText("25");
    more();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kBadTime}) << "no question after a bad time";

    w->Text1.setText("10");
    more();
    EXPECT_EQ(takeBoxes().size(), 1u);
    EXPECT_EQ(slots(), (Slots{{"", ""}, {"", ""}, {"", ""}}));
    EXPECT_EQ(w->book.eventCount, 1);
    EXPECT_TRUE(w->book.advancedMode);
    EXPECT_EQ(w->Command1.caption(), "还有");
    EXPECT_EQ(w->Label5.caption(), "提醒信息 (最多五十字)");
    EXPECT_EQ(w->Text4.text(), "c") << "the message is offered for the new first reminder";
    EXPECT_EQ(w->Text1.text(), "9");
    EXPECT_EQ(w->Text2.text(), "42");
}

}  // namespace
