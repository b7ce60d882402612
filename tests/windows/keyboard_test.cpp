// The program from the keyboard alone: a reminder typed and confirmed with
// Enter, the boxes that open with the focus on "确定" and close with Enter
// or Esc, and the program's menu from Shift+F10 and the Menu key.
#include "harness.h"
#include "windows/frmMain.h"

namespace {

using platform::KeyContextMenu;
using platform::KeyEscape;
using platform::KeyF10;
using platform::KeyReturn;
using platform::KeyTab;
using platform::ShiftMask;

class Keyboard : public MainWindowTest {};

// A reminder typed and confirmed with Enter twice. Confirmed, the window
// hides, holding no keyboard, and both buttons wait while the reminder is
// armed. Without a notification area the window waits in the task bar:
// brought back from there, it has the focus on the hour field, from where
// Tab goes on; never on the window alone, where the keys reach no control.
// The message field then tests no time: the fields' own has passed, but it
// is armed.
TEST_F(Keyboard, TypedAndConfirmedWithEnterAndBackWhileArmedOnTheHourField) {
    for (const bool tray : {true, false}) {
        pt::setTrayAvailable(tray);
        setTime(9, 41, 50);
        start();  // the fields hold 9 and 42
        ASSERT_TRUE(w->Text1.hasFocus());
        pt::typeText(w->Text1, "10");
        pt::pressKey(w->Text1, KeyTab);
        ASSERT_TRUE(w->Text2.hasFocus());
        pt::typeText(w->Text2, "30");
        pt::pressKey(w->Text2, KeyTab);
        ASSERT_TRUE(w->Text4.hasFocus());
        pt::commitInputMethod(w->Text4, "开会");
        pt::pressKey(w->Text4, KeyReturn);
        ASSERT_TRUE(w->Command2.hasFocus()) << "Enter in the message moves on to 确定";
        EXPECT_TRUE(takeBoxes().empty());
        pt::pressKey(w->Command2, KeyReturn);
        EXPECT_EQ(takeBoxes(), std::vector<Box>{product("只有一件事要提醒")});
        EXPECT_EQ(slots(), (Slots{{"10:30:00", "开会"}, {"", ""}, {"", ""}}));
        ASSERT_FALSE(w->Command2.enabled() || w->Command1.enabled());
        setTime(10, 31, 0);
        if (tray) {
            ASSERT_FALSE(w->form.visible());
            // A field holding the keyboard while hidden blinks its caret on,
            // waking the program twice a second for nobody.
            EXPECT_FALSE(pt::holdsKeyboardFocus(w->Text1));
            w.reset();
            continue;
        }
        ASSERT_EQ(w->form.windowState(), platform::Form::Minimized);
        pt::restoreFromTaskbar(w->form);
        pt::processEvents();
        ASSERT_TRUE(w->form.visible());
        EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text1));
        pt::pressKey(w->Text1, KeyTab);
        EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text2));
        pt::pressKey(w->Text2, KeyTab);
        EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text4));
        EXPECT_TRUE(takeBoxes().empty());
        EXPECT_EQ(w->Text2.text(), "30");
        w.reset();
    }
    pt::setTrayAvailable(true);
}

// A disabled control takes no keys: the focus goes on in the tab order to
// the next control that takes it, round to the first.
TEST_F(Keyboard, DisablingTheFocusedButtonMovesTheFocusOn) {
    start();
    enter("10", "30", "开会");
    w->Command2.setFocus();
    ASSERT_TRUE(pt::holdsKeyboardFocus(w->Command2));
    w->Command2.setEnabled(false);
    pt::processEvents();
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Command1));
    w->Command1.setEnabled(false);
    pt::processEvents();
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text1));
}

TEST_F(Keyboard, EnterPressesTheButtonTheProgramOrTabMovedTheFocusTo) {
    start();
    advanced();
    for (const char* message : {"一", "二", "三"}) {
        enter("10", "30", message);
        pt::pressKey(w->Text4, KeyTab);  // the tab order goes to 确定 first
        pt::pressKey(w->Command2, KeyTab);
        ASSERT_TRUE(w->Command1.hasFocus());
        pt::pressKey(w->Command1, KeyReturn);  // 还有
    }
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("就这些吧?我记不下了!")});
    // After the third, the program itself puts the focus on 确定.
    ASSERT_TRUE(w->Command2.hasFocus());
    pt::pressKey(w->Command2, KeyReturn);
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("有三件事要提醒")});
    EXPECT_EQ(w->book.eventCount, 3);
}

TEST_F(Keyboard, MenuKeysOpenTheProgramsMenuInTheTimeFieldsAndOnTheButtons) {
    start();
    enter("10", "30", "开会");  // in the message field: the buttons are enabled
    ASSERT_TRUE(w->Command1.enabled());
    // The message field keeps its own menu.
    ASSERT_TRUE(w->Text4.hasFocus());
    pt::pressKey(w->Text4, KeyF10, ShiftMask);
    pt::pressKey(w->Text4, KeyContextMenu);
    EXPECT_TRUE(menus.empty());
    EXPECT_EQ(w->Text4.text(), "开会");
    struct Press {
        int key, shift;
    };
    for (platform::Control* c : std::initializer_list<platform::Control*>{
             &w->Text1, &w->Text2, &w->Command1, &w->Command2}) {
        for (const Press p : {Press{KeyF10, ShiftMask}, Press{KeyContextMenu, 0}}) {
            c->setFocus();
            const std::size_t before = menus.size();
            pt::pressKey(*c, p.key, p.shift);
            ASSERT_EQ(menus.size(), before + 1) << "key " << p.key;
            EXPECT_EQ(menus.back().size(), 8u);
            EXPECT_EQ(menus.back()[1], (pt::ShownMenuItem{"高级", true, false}));
        }
    }
    EXPECT_TRUE(takeBoxes().empty());

    // Chosen from the keyboard's menu: the command runs.
    menuChoices = {"高级"};
    pt::pressKey(w->Text1, KeyF10, ShiftMask);
    EXPECT_EQ(w->Command1.caption(), "还有");
}

}  // namespace
