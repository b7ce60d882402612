// Hide, Restore, About and the menu on the window, through the real window.
#include "harness.h"

namespace {

using ShellCommands = MainWindowTest;

// From the keyboard: About opens on its OK; Enter presses the button Tab
// moved to, Esc closes About, and the window comes back in front, the keys
// on its field. (OK and the close box, and the window collapsed behind
// About, are the model's: sequences.cpp.)
TEST_F(ShellCommands, AboutFromTheKeyboardTabEnterAndEsc) {
    start();
    pt::clearRegistry();  // no system-information program: the box says so
    EXPECT_TRUE(withAboutOpen([&](frmAbout& a) {
        EXPECT_EQ(pt::accessibleName(a.cmdSysInfo), "系统信息(S)...") << "the mark not read";
        EXPECT_EQ(pt::accessibleName(a.cmdOK), "确定");
        EXPECT_NEAR(a.form.left(), (platform::screenWidth() - a.form.width()) / 2, 15);
        pt::pressKey(a.cmdOK, platform::KeyTab);
        pt::pressKey(a.cmdSysInfo, platform::KeyReturn);
        EXPECT_EQ(takeBoxes(), std::vector<Box>{product("此时系统信息不可用")});
        EXPECT_TRUE(a.form.loaded()) << "Enter pressed 系统信息, not 确定";
        pt::pressKey(a.cmdSysInfo, platform::KeyEscape);
    }));
    EXPECT_EQ(w->about(), nullptr);
    EXPECT_TRUE(pt::isForeground(w->form));
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text1));
}

// 退出 from the menu, logging off on Windows, a SIGTERM on Linux: the program
// ends whatever is open, its icon taken from the notification area. It
// shows its window no more, nor puts it back to its working size.
TEST_F(ShellCommands, ExitFromTheMenuOrTheSystemEndsWhateverIsOpen) {
    enum { AboutOpen, NoticeOpen, Telling };
    for (const int open : {AboutOpen, NoticeOpen, Telling}) {
        SCOPED_TRACE(open);
        start();
        if (open != AboutOpen) arm({{"10", "0", "一"}, {"10", "0", "二"}});
        if (open == AboutOpen) {
            EXPECT_TRUE(withAboutOpen([&](frmAbout&) { pt::chooseMenuItem(w->mnuTrayClose); }));
        } else if (open == NoticeOpen) {
            w->showInfo();
            pt::systemEndsProgram();
        } else {
            whileBoxOpen = [&](const Box&) { pt::systemEndsProgram(); };
            tickAt(10, 0, 0, 1);
            whileBoxOpen = nullptr;
            EXPECT_EQ(told(takeBoxes()), std::vector<std::string>{" 10:00:00啦!应该一"})
                << "the program ends with the box";
        }
        EXPECT_TRUE(w->exiting());
        EXPECT_FALSE(w->form.loaded());
        EXPECT_FALSE(w->form.visible());
        if (open != NoticeOpen) {
            EXPECT_LT(w->form.height(), 600);
        }
        EXPECT_EQ(w->about(), nullptr);
        EXPECT_EQ(w->info(), nullptr);
        EXPECT_EQ(pt::trayTip(w->form), std::nullopt) << "the icon is left in the tray";
        const auto calls = pt::notifyCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().message, platform::NIM_DELETE);
    }
}

// A second start, or 关于 again, brings the About box forward. 恢复 brings
// the window back where it was, not centred, with what was typed. (About
// over the hidden window, and that the armed one stays hidden, are the
// model's: sequences.cpp.)
TEST_F(ShellCommands, ASecondStartBringsAboutForwardAndRestoreKeepsThePlace) {
    start();
    EXPECT_TRUE(withAboutOpen([&](frmAbout& a) {
        pt::bringAnotherWindowForward();
        w->App_StartAgain();
        EXPECT_TRUE(pt::eventually([&] { return pt::isForeground(a.form); }));
        pt::bringAnotherWindowForward();
        pt::chooseMenuItem(w->mnuTrayAbout);
        EXPECT_TRUE(pt::eventually([&] { return pt::isForeground(a.form); })) << "关于 again";
        pt::click(a.cmdOK);
    }));
    enter("10", "5", "带伞");
    w->form.setLeft(600);
    pt::chooseMenuItem(w->mnuTrayHide);
    EXPECT_FALSE(w->form.visible());
    pt::chooseMenuItem(w->mnuTrayRestore);
    EXPECT_TRUE(w->form.visible());
    EXPECT_EQ(w->form.windowState(), platform::Form::Normal);
    EXPECT_EQ(w->form.left(), 600);
    EXPECT_EQ(w->Text4.text(), "带伞");
    // About over the armed window leaves it collapsed in the tray.
    arm({{"10", "0", "x"}});
    EXPECT_TRUE(withAboutOpen([](frmAbout& a) { pt::click(a.cmdOK); }));
    EXPECT_LT(w->form.height(), 600);
}

TEST_F(ShellCommands, ARightPressOnTheWindowItsLabelsOrPictureOpensTheMenu) {
    start();
    std::vector<platform::Control*> members{&w->Label1, &w->Label2, &w->Label3,
                                            &w->Label4, &w->Label5, &w->Picture1};
    for (platform::Control* m : members) pt::mousePress(*m, platform::RightButton);
    pt::mousePress(w->form, platform::RightButton);
    EXPECT_EQ(menus.size(), 7u);

    for (platform::Control* m : members) {
        pt::mousePress(*m, platform::LeftButton);
        pt::mousePress(*m, platform::MiddleButton);
    }
    std::vector<platform::Control*> others{&w->Text1, &w->Text2, &w->Text4, &w->Command1,
                                           &w->Command2};
    for (platform::Control* c : others) pt::mousePress(*c, platform::RightButton);
    EXPECT_EQ(menus.size(), 7u) << "only a right press on the seven opens it";

    menuChoices = {"高级"};
    pt::mousePress(w->Label1, platform::RightButton);
    EXPECT_TRUE(w->book.advancedMode) << "the chosen command runs";
}

}  // namespace
