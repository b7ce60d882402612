// The hour, minute and message fields as a person types into them.
#include <tuple>

#include "harness.h"
#include "windows/frmMain.h"

namespace {

const Box kNotDigit = errorBox("你输入的不是数字!");
const Box kPassed = errorBox("你设置的时间已经过去啦!");

class EntryFields : public MainWindowTest {
protected:
    static std::string repeat(const std::string& s, int n) {
        std::string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    }
};

// At 23:59 the next minute is 0:00 of today, which has passed: the message
// field says so and prefills again.
TEST_F(EntryFields, PrefillPastMidnightHasPassed) {
    setTime(23, 59, 10);
    start();
    EXPECT_EQ(w->Text1.text(), "0");
    EXPECT_EQ(w->Text2.text(), "0");
    w->Text4.setFocus();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kPassed});
    EXPECT_TRUE(w->Text1.hasFocus());
    EXPECT_EQ(w->Text2.text(), "0");
    EXPECT_FALSE(w->Command2.enabled());
}

// A time that is no time of day is said as the message field takes the
// focus, and the keys go back to the field at fault, its text selected.
TEST_F(EntryFields, NoTimeOfDayIsToldOnTheWayToTheMessage) {
    start();
    for (const auto& [hour, minute, atFault] :
         std::vector<std::tuple<std::string, std::string, platform::TextBox*>>{
             {"25", "0", &w->Text1}, {"", "30", &w->Text1}, {"10", "75", &w->Text2}}) {
        enter(hour, minute, "");
        EXPECT_EQ(takeBoxes(), std::vector<Box>{errorBox("时间设置不正确!")})
            << hour << ":" << minute;
        EXPECT_TRUE(pt::holdsKeyboardFocus(*atFault)) << hour << ":" << minute;
        pt::typeWhereTheFocusIs("1");
        EXPECT_EQ(atFault->text(), "1") << "the field's text was selected";
        EXPECT_FALSE(w->Command2.enabled());
    }
}

TEST_F(EntryFields, TypedOrPastedDigitsReplaceTheSelectionAndAnythingElseIsRefused) {
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

    // A paste is taken whole or refused, silently.
    w->Text2.setFocus();
    pt::paste(w->Text2, "3a");
    pt::paste(w->Text2, "１２");
    EXPECT_EQ(w->Text2.text(), "42");
    w->Text2.setSelStart(0);
    w->Text2.setSelLength(2);
    pt::paste(w->Text2, "15");
    EXPECT_EQ(w->Text2.text(), "15");
    EXPECT_TRUE(takeBoxes().empty());
}

// The message takes fifty characters by every route, and what comes in over
// a selection fits the room it leaves. Characters outside the BMP count as
// one, as do format characters (right-to-left mark, zero-width joiner) and
// spaces; a letter with its accent mark is taken whole or not at all. On
// entry the field selects the whole message, so what comes next replaces it.
TEST_F(EntryFields, TheMessageTakesFiftyCharactersByEveryRoute) {
    enum Route { Type, Ime, Paste };
    struct Case {
        std::string before;
        int selStart, selLength;  // -1: the selection the field makes on entry
        Route route;
        std::string input, after;
    };
    const std::string a50(50, 'a'), full = repeat("满", 50), wide = repeat("\U00020000", 50);
    const std::string spaced = repeat("一", 24) + "  " + repeat("一", 24);
    const Case cases[] = {
        {"", 0, 0, Ime, repeat("提醒", 30), repeat("提醒", 25)},
        {repeat("提醒", 25), 50, 0, Ime, "多", repeat("提醒", 25)},
        {repeat("提醒", 25), 50, 0, Type, "x", repeat("提醒", 25)},
        {repeat("提醒", 25), 50, 0, Paste, "y", repeat("提醒", 25)},
        {"", 0, 0, Type, a50 + "b", a50},
        {repeat("一", 50), 50, 0, Type, "\U0001F600\U0001F601", repeat("一", 50)},
        {repeat("一", 50), 50, 0, Type, "\u200F\u200F\u200F", repeat("一", 50)},
        {repeat("一", 50), 50, 0, Type, "\u200D\u200D", repeat("一", 50)},
        {spaced, 50, 0, Type, "x ", spaced},
        {repeat("一", 49), 49, 0, Type, "\U0001F600\U0001F601", repeat("一", 49) + "\U0001F600"},
        {repeat("字", 47), 47, 0, Paste, "ab\U0001F600e\u0301z", repeat("字", 47) + "ab\U0001F600"},
        {repeat("字", 48), 48, 0, Paste, "e\u0301e\u0301", repeat("字", 48) + "e\u0301"},
        {full, 48, 2, Ime, "一二三", repeat("满", 48) + "一二"},
        {full, -1, 0, Type, "a", "a"},
        {full, -1, 0, Ime, "新事", "新事"},
        {full, -1, 0, Paste, repeat("贴", 60), repeat("贴", 50)},
        {wide, -1, 0, Type, "a", "a"},
        {wide, 1, 1, Type, "7", std::string("\U00020000") + "7" + repeat("\U00020000", 48)},
        {wide, -1, 0, Paste, repeat("贴", 60), repeat("贴", 50)},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.substr(0, 9) + " + " + c.input.substr(0, 9));
        w->Text4.setText(c.before);
        w->Text2.setFocus();
        w->Text4.setFocus();
        if (c.selStart < 0) {
            EXPECT_EQ(w->Text4.selStart(), 0);
            EXPECT_EQ(w->Text4.selLength(), 50);
        } else {
            w->Text4.setSelStart(c.selStart);
            w->Text4.setSelLength(c.selLength);
        }
        if (c.route == Type) pt::typeText(w->Text4, c.input);
        if (c.route == Ime) pt::commitInputMethod(w->Text4, c.input);
        if (c.route == Paste) pt::paste(w->Text4, c.input);
        EXPECT_EQ(w->Text4.text(), c.after);
        // In characters: the bytes that begin one in UTF-8.
        const auto characters = std::count_if(c.after.begin(), c.after.end(),
                                              [](char b) { return (b & 0xC0) != 0x80; });
        EXPECT_EQ(w->Text4.length(), characters);
    }
    EXPECT_TRUE(takeBoxes().empty());
}

}  // namespace
