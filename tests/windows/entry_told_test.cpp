// Reminders taken with "还有" are told at their time even before "确定", and
// telling one leaves the entry as the user left it; "确定" then arms exactly
// what is still to come.
#include "harness.h"

namespace {

using Told = std::vector<std::string>;

class EntryTold : public MainWindowTest {
protected:
    // The entry as the user sees it: the fields, the titles and the mode.
    std::vector<std::string> entry() const {
        return {w->Text1.text(),
                w->Text2.text(),
                w->Text4.text(),
                w->Label5.caption(),
                w->Command1.caption(),
                w->mnuTrayHigh.checked() ? "高级" : "普通",
                std::to_string(w->book.eventCount)};
    }
};

// In the advanced mode, and in the normal mode that kept reminder 1.
TEST_F(EntryTold, AReminderToldWhileTheNextIsTypedLeavesTheEntryAsItWas) {
    for (const bool normal : {false, true}) {
        SCOPED_TRACE(normal ? "普通" : "高级");
        setTime(9, 41, 50);
        start();
        advanced();
        take({{"9", "45", "一"}});
        if (normal) pt::chooseMenuItem(w->mnuTrayNormal);
        enter("9", "50", "二还没写完");
        const auto before = entry();

        ticksFrom(9, 44, 59, 9, 45, 1);
        EXPECT_EQ(told(takeBoxes()), (Told{" 9:45:00啦!应该一"}));
        EXPECT_TRUE(w->form.visible()) << "the entry is not hidden behind the tray";
        EXPECT_NEAR(w->form.height(), 2500, 15);
        EXPECT_EQ(entry(), before);
        EXPECT_TRUE(w->book.noneArmed);
        EXPECT_EQ(menuStates(), "EEDDEEEE");

        // Confirm arms only the reminder still to come, and everything agrees.
        confirm();
        EXPECT_EQ(takeBoxes(), std::vector<Box>{product("只有一件事要提醒")});
        EXPECT_EQ(slots(), (Slots{{"9:50:00", "二还没写完"}, {"", ""}, {"", ""}}));
        EXPECT_EQ(w->book.eventCount, 1);
        ticksFrom(9, 45, 1, 9, 51, 0);
        EXPECT_EQ(told(takeBoxes()), (Told{" 9:50:00啦!应该二还没写完"}));
        EXPECT_TRUE(w->book.noneArmed);
        EXPECT_TRUE(w->form.visible());
        w.reset();
    }
}

TEST_F(EntryTold, ThreeTakenAndHiddenAreToldAndTheWindowComesBack) {
    start();
    advanced();
    take({{"9", "45", "一"}, {"9", "47", "二"}, {"9", "49", "三"}});
    ASSERT_EQ(w->book.eventCount, 4);
    takeBoxes();
    pt::chooseMenuItem(w->mnuTrayHide);
    ASSERT_FALSE(w->form.visible());

    ticksFrom(9, 44, 59, 9, 45, 1);
    EXPECT_EQ(told(takeBoxes()), (Told{" 9:45:00啦!应该一"}));
    EXPECT_TRUE(w->form.visible()) << "reachable again";
    EXPECT_EQ(menuStates(), "EEDDEEEE") << "restore is not left offered for a shown window";
    EXPECT_EQ(w->book.eventCount, 4);

    // Confirm now arms the two still to come, in order, and tells each once.
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("有两件事要提醒")});
    EXPECT_EQ(slots(), (Slots{{"9:47:00", "二"}, {"9:49:00", "三"}, {"", ""}}));
    EXPECT_EQ(w->book.eventCount, 2);
    std::vector<bool> shownDuringBox;
    whileBoxOpen = [&](const Box&) { shownDuringBox.push_back(w->form.visible()); };
    ticksFrom(9, 45, 1, 9, 47, 1);
    EXPECT_FALSE(w->form.visible()) << "hidden again between the two";
    ticksFrom(9, 47, 1, 9, 50, 0);
    EXPECT_EQ(told(takeBoxes()), (Told{" 9:47:00啦!应该二", " 9:49:00啦!应该三"}));
    EXPECT_EQ(shownDuringBox, (std::vector<bool>{true, true}));
    EXPECT_TRUE(w->book.noneArmed);
    EXPECT_EQ(slots(), (Slots{{"", ""}, {"", ""}, {"", ""}}));
}

TEST_F(EntryTold, NormalOffersReminderOneWholeAndResetEmptiesItWithoutAsking) {
    start();
    advanced();
    take({{"10", "5", "一"}});
    enter("11", "30", "二");
    pt::chooseMenuItem(w->mnuTrayNormal);
    EXPECT_EQ(entry(), (std::vector<std::string>{"10", "05", "一", "提醒信息 (最多五十字)", "重设",
                                                 "普通", "1"}));
    EXPECT_EQ(slots(), (Slots{{"10:05:00", "一"}, {"", ""}, {"", ""}}));
    EXPECT_FALSE(w->mnuTrayHigh.checked());

    // The mode already chosen, chosen again: nothing changes, what is typed
    // stays.
    w->Text4.setText("草稿");
    pt::chooseMenuItem(w->mnuTrayNormal);
    EXPECT_EQ(w->Text4.text(), "草稿");
    EXPECT_TRUE(w->mnuTrayNormal.checked());
    // 重设 in the normal mode asks nothing and empties the entry.
    pt::click(w->Command1);
    EXPECT_TRUE(takeBoxes().empty());
    EXPECT_EQ(slots(), (Slots{{"", ""}, {"", ""}, {"", ""}}));
    EXPECT_EQ(entry(), (std::vector<std::string>{"9", "42", "", "提醒信息 (最多五十字)", "重设",
                                                 "普通", "1"}));
}

// 普通 keeps reminder 1 only: with reminders 2 or 3 taken it asks first,
// as 重设 does; Cancel leaves the entry as it was.
TEST_F(EntryTold, NormalMidEntryAsksBeforeDroppingRemindersTwoAndThree) {
    start();
    advanced();
    take({{"10", "0", "一"}, {"11", "0", "二"}});
    enter("12", "0", "三");
    advanced();  // the mode already chosen: nothing changes
    EXPECT_EQ(w->book.eventCount, 3);
    EXPECT_EQ(menuStates(), "EEDDEEEE");
    const auto before = entry();
    answers = {"取消"};
    pt::chooseMenuItem(w->mnuTrayNormal);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"真的要重设吗?", "Tockmere", {"确定", "取消"}}}));
    EXPECT_EQ(entry(), before);
    EXPECT_EQ(slots(), (Slots{{"10:00:00", "一"}, {"11:00:00", "二"}, {"", ""}}));

    // Three taken, the left button reads 重设: 普通 is the way out too.
    more();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("就这些吧?我记不下了!")});
    EXPECT_EQ(w->Command1.caption(), "重设");
    answers = {"确定"};
    pt::chooseMenuItem(w->mnuTrayNormal);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"真的要重设吗?", "Tockmere", {"确定", "取消"}}}));
    EXPECT_EQ(entry(), (std::vector<std::string>{"10", "00", "一", "提醒信息 (最多五十字)", "重设",
                                                 "普通", "1"}));
    EXPECT_EQ(slots(), (Slots{{"10:00:00", "一"}, {"", ""}, {"", ""}}));
    EXPECT_EQ(menuStates(), "EEDDEEEE");
    w->Text4.setFocus();
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("只有一件事要提醒")});
    EXPECT_EQ(slots(), (Slots{{"10:00:00", "一"}, {"", ""}, {"", ""}}));
    EXPECT_FALSE(w->book.noneArmed);
}

// Told after the box that says the entry is full, or while it is still
// open: "确定" arms the other two all the same.
TEST_F(EntryTold, AThirdReminderToldBeforeConfirmLeavesTheOtherTwoToArm) {
    for (const bool behindTheBox : {false, true}) {
        start();
        advanced();
        take({{"9", "50", "一"}, {"9", "55", "二"}});
        enter("9", "45", "三");
        whileBoxOpen = [&](const Box& b) {
            if (behindTheBox && b.prompt == "就这些吧?我记不下了!") ticksFrom(9, 44, 59, 9, 45, 1);
        };
        more();
        whileBoxOpen = nullptr;
        ASSERT_EQ(w->book.eventCount, 4);
        if (!behindTheBox) ticksFrom(9, 44, 59, 9, 45, 1);
        EXPECT_EQ(told(takeBoxes()), (Told{" 9:45:00啦!应该三"})) << behindTheBox;
        confirm();
        EXPECT_EQ(takeBoxes(), std::vector<Box>{product("有两件事要提醒")}) << behindTheBox;
        EXPECT_EQ(slots(), (Slots{{"9:50:00", "一"}, {"9:55:00", "二"}, {"", ""}}));
        tickAt(9, 55, 0, 5);
        EXPECT_EQ(told(takeBoxes()), (Told{" 9:50:00啦!应该一", " 9:55:00啦!应该二"}));
        EXPECT_TRUE(w->book.noneArmed);
        w.reset();
        setTime(9, 41, 50);
    }
}

TEST_F(EntryTold, AfterTheThirdIsToldWhatIsTypedInItsPlaceIsCheckedAndTaken) {
    start();
    advanced();
    take({{"9", "50", "一"}, {"9", "55", "二"}, {"9", "45", "三"}});
    takeBoxes();
    ticksFrom(9, 44, 59, 9, 45, 1);
    takeBoxes();
    // The told time with another message is a new reminder, its time passed.
    w->Text4.setText("三改");
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{errorBox("你设置的时间已经过去啦!")});
    enter("10", "0", "新三");
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("有三件事要提醒")});
    EXPECT_EQ(slots(), (Slots{{"9:50:00", "一"}, {"9:55:00", "二"}, {"10:00:00", "新三"}}));
}

TEST_F(EntryTold, TicksBehindTheEntrysOwnBoxesTellEachReminderOnce) {
    start();
    advanced();
    take({{"9", "45", "一"}, {"9", "46", "二"}});
    enter("9", "50", "三");
    // The full box stays open across reminder 1's time.
    whileBoxOpen = [&](const Box& b) {
        if (b.prompt == "就这些吧?我记不下了!") ticksFrom(9, 44, 59, 9, 45, 30);
        if (b.prompt == "真的要重设吗?") ticksFrom(9, 45, 30, 9, 46, 1);
    };
    more();
    EXPECT_EQ(told(takeBoxes()), (Told{" 9:45:00啦!应该一"}));
    EXPECT_EQ(w->book.eventCount, 4);

    // The reset question stays open across reminder 2's time; Cancel keeps 3.
    answers = {"确定", "取消"};  // the firing box, then the question
    more();
    EXPECT_EQ(told(takeBoxes()), (Told{" 9:46:00啦!应该二"}));
    whileBoxOpen = nullptr;
    confirm();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("只有一件事要提醒")});
    EXPECT_EQ(slots(), (Slots{{"9:50:00", "三"}, {"", ""}, {"", ""}}));
    ticksFrom(9, 46, 1, 9, 51, 0);
    EXPECT_EQ(told(takeBoxes()), (Told{" 9:50:00啦!应该三"}));
}

TEST_F(EntryTold, EachReminderNumberHasItsOwnEmptyMessagePrompt) {
    start();
    advanced();
    enter("10", "0", "");
    more();
    take({{"10", "0", "一"}});
    enter("10", "1", "");
    confirm();
    more();
    take({{"10", "1", "二"}});
    enter("10", "2", "");
    confirm();
    more();
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{
                               product("你还没有输入第一件事!"), product("你还没有输入第二件事呢!"),
                               product("你还没有输入第二件事!"), product("你还没有输入第三件事呢!"),
                               product("你还没有输入第三件事!")}));
    EXPECT_EQ(slots(), (Slots{{"10:00:00", "一"}, {"10:01:00", "二"}, {"", ""}}));
    EXPECT_TRUE(w->book.noneArmed);
}

}  // namespace
