// The program from the keyboard alone: the armed window back from the task
// bar, the focus handed on from a disabled button, and the program's menu
// from Shift+F10 and the Menu key.
#include "harness.h"
#include "windows/frmMain.h"

namespace {

using platform::KeyContextMenu;
using platform::KeyF10;
using platform::KeyReturn;
using platform::KeyTab;
using platform::ShiftMask;

class Keyboard : public MainWindowTest {};

// Without a notification area the armed window waits in the task bar:
// brought back from there, it has the focus on the hour field, from where
// Tab goes on; never on the window alone, where the keys reach no control.
// The message field then tests no time: the fields' own has passed, but it
// is armed. (Enter through the entry, and the focus with the tray, are the
// model's: sequences.cpp.)
TEST_F(Keyboard, BackFromTheTaskBarWhileArmedOnTheHourField) {
    pt::setTrayAvailable(false);
    start();
    enter("10", "30", "开会");
    pt::pressKey(w->Text4, KeyReturn);
    pt::pressKey(w->Command2, KeyReturn);
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("只有一件事要提醒")});
    setTime(10, 31, 0);
    ASSERT_EQ(w->form.windowState(), platform::Form::Minimized);
    pt::restoreFromTaskbar(w->form);
    ASSERT_TRUE(w->form.visible());
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text1));
    pt::pressKey(w->Text1, KeyTab);
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text2));
    pt::pressKey(w->Text2, KeyTab);
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text4));
    EXPECT_TRUE(takeBoxes().empty());
    EXPECT_EQ(w->Text2.text(), "30");
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
