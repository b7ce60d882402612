// The hour, minute and message fields as a person types into them.
#include "harness.h"
#include "windows/frmMain.h"

namespace {

const Box kNotDigit = errorBox("你输入的不是数字!");
const Box kPassed = errorBox("你设置的时间已经过去啦!");
const Box kBadTime = errorBox("时间设置不正确!");

class EntryFields : public MainWindowTest {
protected:
    // Fills the time fields as the program would, without the keyboard.
    void fields(const std::string& hour, const std::string& minute) {
        w->Text1.setText(hour);
        w->Text2.setText(minute);
    }
    static std::string repeat(const std::string& s, int n) {
        std::string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    }
};

TEST_F(EntryFields, PrefillCarriesIntoTheHourAndPastMidnight) {
    setTime(9, 59, 59, 999);
    start();
    EXPECT_EQ(w->Text1.text(), "10");
    EXPECT_EQ(w->Text2.text(), "0");
    EXPECT_EQ(w->Text1.selLength(), 2);

    // At 23:59 the next minute is 0:00 of today, which has passed: the message
    // field says so and prefills again.
    setTime(23, 59, 10);
    w->timeSelect();
    EXPECT_EQ(w->Text1.text(), "0");
    EXPECT_EQ(w->Text2.text(), "0");
    w->Text4.setFocus();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed});
    EXPECT_TRUE(pt::hasFocus(w->Text1));
    EXPECT_EQ(w->Text2.text(), "0");
    EXPECT_FALSE(w->Command2.enabled());
}

TEST_F(EntryFields, TypedDigitsReplaceTheSelectionAndAnythingElseIsRefused) {
    start();
    pt::typeText(w->Text1, "1");
    pt::typeText(w->Text1, "1");
    EXPECT_EQ(w->Text1.text(), "11");
    EXPECT_TRUE(takeBoxes().empty());

    pt::typeText(w->Text1, "a");
    pt::typeText(w->Text1, " ");
    pt::typeText(w->Text1, "：");
    pt::pressKey(w->Text1, platform::KeyReturn);
    pt::pressKey(w->Text1, platform::KeyEscape);
    pt::pressKey(w->Text1, 'V', platform::CtrlMask);  // the paste shortcut is a character too
    pt::typeText(w->Text1, "\U0001F600");             // outside the BMP: refused once
    EXPECT_EQ(takeBoxes(), std::vector<Box>(7, kNotDigit));
    EXPECT_EQ(w->Text1.text(), "11");

    pt::pressKey(w->Text1, platform::KeyBack);
    EXPECT_EQ(w->Text1.text(), "1");
    EXPECT_TRUE(takeBoxes().empty());

    // An input method's characters go through the same filter.
    pt::commitInputMethod(w->Text2, "１");
    pt::commitInputMethod(w->Text2, "五");
    pt::typeText(w->Text2, "\U00020000");
    EXPECT_EQ(takeBoxes(), std::vector<Box>(3, kNotDigit));
    EXPECT_EQ(w->Text2.text(), "42");
}

TEST_F(EntryFields, SelectionsInATimeFieldCountACharacterOutsideTheBmpAsOne) {
    start();
    // Text put in by the program is held to the limit in characters too.
    w->Text1.setText("\U0001F600\U00020000\U0001F601");
    EXPECT_EQ(w->Text1.text(), "\U0001F600\U00020000");
    EXPECT_EQ(w->Text1.length(), 2);
    w->Text1.setSelStart(1);
    EXPECT_EQ(w->Text1.selStart(), 1);
    w->Text1.setSelLength(1);
    EXPECT_EQ(w->Text1.selLength(), 1);
    pt::typeText(w->Text1, "7");
    EXPECT_EQ(w->Text1.text(), "\U0001F6007") << "the selected character, and it whole";
    w->Text1.setSelStart(0);
    w->Text1.setSelLength(1);
    EXPECT_EQ(w->Text1.selStart(), 0);
    EXPECT_EQ(w->Text1.selLength(), 1);
    pt::typeText(w->Text1, "1");
    EXPECT_EQ(w->Text1.text(), "17");
    EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(EntryFields, PastedTextMustBeDigits) {
    start();
    w->Text2.setFocus();
    pt::paste(w->Text2, "3a");
    EXPECT_EQ(w->Text2.text(), "42");
    pt::paste(w->Text2, "１２");
    EXPECT_EQ(w->Text2.text(), "42");
    w->Text2.setSelStart(0);
    w->Text2.setSelLength(2);
    pt::paste(w->Text2, "15");
    EXPECT_EQ(w->Text2.text(), "15");
    EXPECT_TRUE(takeBoxes().empty()) << "refused paste is silent";
}

TEST_F(EntryFields, MessageFieldEnablesTheButtonsOnlyForAFutureTime) {
    setTime(9, 41, 30);
    start();
    fields("9", "40");
    w->Text4.setFocus();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed});
    EXPECT_EQ(w->Text1.text(), "9");
    EXPECT_EQ(w->Text2.text(), "42");
    EXPECT_TRUE(pt::hasFocus(w->Text1));
    EXPECT_FALSE(w->Command1.enabled());

    // A time not spelt by the fields is left for the commands to report.
    for (const auto& [hour, minute] : std::vector<std::pair<std::string, std::string>>{
             {"24", "0"}, {"9", "60"}, {"", "50"}, {"9", ""}}) {
        fields(hour, minute);
        w->Text4.setFocus();
        EXPECT_TRUE(takeBoxes().empty()) << hour << ":" << minute;
        EXPECT_FALSE(w->Command2.enabled());
        w->Text1.setFocus();
    }

    fields("9", "42");
    w->Text4.setFocus();
    EXPECT_TRUE(takeBoxes().empty());
    EXPECT_TRUE(w->Command1.enabled());
    EXPECT_TRUE(w->Command2.enabled());

    // The current minute counts as passed after its first instant.
    w->Text1.setFocus();
    setTime(9, 42, 0);
    w->Text4.setFocus();
    EXPECT_TRUE(takeBoxes().empty());
    w->Text1.setFocus();
    setTime(9, 42, 0, 1);
    w->Text4.setFocus();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed});
}

// While armed the entry waits: the window brought back (a second start, or
// from the task bar) tests no time in the fields, whose reminder was told.
TEST_F(EntryFields, ArmedTheMessageFieldTestsNoTime) {
    for (const bool tray : {true, false}) {
        pt::setTrayAvailable(tray);
        setTime(9, 41, 50);
        start();
        pt::chooseMenuItem(w->mnuTrayHigh);
        fields("9", "50");
        w->Text4.setFocus();
        pt::commitInputMethod(w->Text4, "一");
        pt::click(w->Command1);
        fields("9", "43");
        w->Text4.setFocus();
        pt::commitInputMethod(w->Text4, "二");
        pt::click(w->Command2);
        setTime(9, 43, 0);
        pt::fireTimer(w->Timer1);  // 二 is told; 一 waits
        ASSERT_FALSE(w->book.noneArmed);
        takeBoxes();
        setTime(9, 44, 0);  // the fields' time has passed
        if (tray)
            w->App_StartAgain();
        else
            pt::restoreFromTaskbar(w->form);
        pt::processEvents();
        ASSERT_TRUE(w->form.visible()) << tray;
        w->Text4.setFocus();
        EXPECT_TRUE(takeBoxes().empty()) << tray;
        EXPECT_EQ(w->Text2.text(), "43") << tray;
        EXPECT_FALSE(w->Command2.enabled()) << tray;
        w.reset();
    }
    pt::setTrayAvailable(true);
}

TEST_F(EntryFields, MessageFieldSelectsItsTextAndEnterMovesToConfirm) {
    start();
    w->Text4.setText("开会");
    w->Text4.setFocus();
    EXPECT_EQ(w->Text4.selStart(), 0);
    EXPECT_EQ(w->Text4.selLength(), 2);
    pt::pressKey(w->Text4, platform::KeyRight);
    pt::typeText(w->Text4, "a");
    pt::pressKey(w->Text4, platform::KeyReturn);
    EXPECT_TRUE(pt::hasFocus(w->Command2));
    EXPECT_EQ(w->Text4.text(), "开会a") << "no line break is left behind";
    EXPECT_TRUE(w->book.noneArmed) << "Enter only moves the focus";
}

TEST_F(EntryFields, MessageTakesFiftyCharactersByEveryRoute) {
    start();
    w->Text4.setFocus();
    pt::commitInputMethod(w->Text4, repeat("提醒", 30));
    EXPECT_EQ(w->Text4.text(), repeat("提醒", 25));
    EXPECT_EQ(w->Text4.length(), 50);
    pt::commitInputMethod(w->Text4, "多");
    pt::typeText(w->Text4, "x");
    pt::paste(w->Text4, "y");
    EXPECT_EQ(w->Text4.length(), 50);

    // Pasting over a selection makes room; a letter with its accent mark is
    // taken whole or not at all, and a character outside the BMP is one.
    w->Text4.setText(repeat("字", 47));
    w->Text4.setSelStart(47);
    pt::paste(w->Text4, "ab\U0001F600e\u0301z");
    EXPECT_EQ(w->Text4.text(), repeat("字", 47) + "ab\U0001F600");
    w->Text4.setText(repeat("字", 48));
    w->Text4.setSelStart(48);
    pt::paste(w->Text4, "e\u0301e\u0301");
    EXPECT_EQ(w->Text4.text(), repeat("字", 48) + "e\u0301");
    EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(EntryFields, TypedKeyByKeyTheMessageTakesFiftyWholeCharactersAndNoMore) {
    start();
    w->Text4.setFocus();
    pt::typeText(w->Text4, std::string(50, 'a'));
    EXPECT_EQ(w->Text4.text(), std::string(50, 'a'));
    pt::typeText(w->Text4, "b");
    EXPECT_EQ(w->Text4.text(), std::string(50, 'a')) << "the 51st key is refused";

    // Characters that are not printable letters count as well: outside the
    // BMP, and the format characters (right-to-left mark, zero-width joiner).
    for (const std::string& typed :
         {std::string("\U0001F600\U0001F601\U0001F602"), std::string("\u200F\u200F\u200F"),
          std::string("\u200D\u200D")}) {
        w->Text4.setText(repeat("一", 50));
        w->Text4.setSelStart(50);
        pt::typeText(w->Text4, typed);
        EXPECT_EQ(w->Text4.text(), repeat("一", 50)) << typed;
    }
    // Spaces count as well: fifty with two of them among them is full.
    w->Text4.setText(repeat("一", 24) + "  " + repeat("一", 24));
    w->Text4.setSelStart(50);
    pt::typeText(w->Text4, "x ");
    EXPECT_EQ(w->Text4.text(), repeat("一", 24) + "  " + repeat("一", 24));
    // With room for one, one such character goes in whole, and the next not.
    w->Text4.setText(repeat("一", 49));
    w->Text4.setSelStart(49);
    pt::typeText(w->Text4, "\U0001F600\U0001F601");
    EXPECT_EQ(w->Text4.text(), repeat("一", 49) + "\U0001F600");
    EXPECT_EQ(w->Text4.length(), 50);
    EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(EntryFields, AFullMessageSelectedOnEntryIsReplacedByWhatComesNext) {
    start();
    // Focus selects the whole message, characters outside the BMP included.
    for (const std::string& full : {repeat("满", 50), repeat("\U00020000", 50)}) {
        w->Text4.setText(full);
        w->Text2.setFocus();
        w->Text4.setFocus();
        EXPECT_EQ(w->Text4.selStart(), 0);
        EXPECT_EQ(w->Text4.selLength(), 50);
        pt::typeText(w->Text4, "a");
        EXPECT_EQ(w->Text4.text(), "a") << "typing replaces the selection";

        w->Text4.setText(full);
        w->Text2.setFocus();
        w->Text4.setFocus();
        pt::commitInputMethod(w->Text4, "新事");
        EXPECT_EQ(w->Text4.text(), "新事") << "so does an input method";

        w->Text4.setText(full);
        w->Text2.setFocus();
        w->Text4.setFocus();
        pt::paste(w->Text4, repeat("贴", 60));
        EXPECT_EQ(w->Text4.text(), repeat("贴", 50)) << "a paste takes what fits in its place";
    }
    // Part of a full message selected: what replaces it fits that room only.
    w->Text4.setText(repeat("满", 50));
    w->Text4.setSelStart(48);
    w->Text4.setSelLength(2);
    pt::commitInputMethod(w->Text4, "一二三");
    EXPECT_EQ(w->Text4.text(), repeat("满", 48) + "一二");
    EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(EntryFields, DroppedTextFollowsTheRulesOfPastedText) {
    if (!pt::canDropText()) GTEST_SKIP() << "text boxes of this system take no dropped text";
    start();
    pt::drop(w->Text2, "x");
    EXPECT_EQ(w->Text2.text(), "42");
    w->Text4.setText(std::string(48, 'a'));
    w->Text4.setSelStart(48);
    pt::drop(w->Text4, "e\u0301e\u0301");
    EXPECT_EQ(w->Text4.text(), std::string(48, 'a') + "e\u0301");
    EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(EntryFields, TimeCheckRefusesWhatIsNotATimeOfDay) {
    start();
    for (const auto& [hour, minute] :
         std::vector<std::pair<std::string, std::string>>{{"", "5"}, {"24", "0"}, {"1", " 5"}}) {
        fields(hour, minute);
        EXPECT_FALSE(w->timeCheck()) << hour << ":" << minute;
        EXPECT_EQ(takeBoxes(), std::vector<Box>{kBadTime});
        EXPECT_EQ(w->Text2.text(), minute) << "a refused check changes nothing";
    }
    fields("09", "5");
    EXPECT_TRUE(w->timeCheck());
    EXPECT_EQ(w->Text1.text(), "09");
    EXPECT_EQ(w->Text2.text(), "05");
    EXPECT_TRUE(w->timeCheck());
    EXPECT_EQ(w->Text2.text(), "05");
    EXPECT_TRUE(takeBoxes().empty());
}

}  // namespace
