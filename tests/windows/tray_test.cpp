// The tray icon, its record and tip, and the hook that hears its clicks.
#include <set>

#include "harness.h"

namespace {

using platform::NOTIFYICONDATAA;

class Tray : public MainWindowTest {
protected:
    // The calls this window's program made, from its start on.
    std::vector<pt::NotifyCall> calls() const {
        std::vector<pt::NotifyCall> mine;
        for (const auto& c : pt::notifyCalls())
            if (c.data.hWnd == static_cast<std::int32_t>(w->form.hWnd())) mine.push_back(c);
        return mine;
    }
    static std::string tipBytes(const NOTIFYICONDATAA& d) {
        return std::string(d.szTip, sizeof d.szTip);
    }

    // The icon drawn for its size from a picture at least as large: not the
    // 32 x 32, 16-colour picture made larger or smaller, whose edges take at
    // most a few levels of opacity (none but clear and opaque at 32 and 64
    // pixels) and whose colours are its palette's and their even blends.
    static void expectDrawnAt(const std::optional<pt::TrayPicture>& p, int size) {
        ASSERT_TRUE(p);
        EXPECT_EQ(p->width, size);
        EXPECT_EQ(p->height, size);
        std::set<std::uint32_t> colours, edgeLevels;
        for (std::uint32_t v : p->argb) {
            const std::uint32_t alpha = v >> 24;
            if (alpha == 255) colours.insert(v);
            if (alpha > 0 && alpha < 255) edgeLevels.insert(alpha);
        }
        EXPECT_GT(colours.size(), 24u) << "colours of the opaque pixels";
        EXPECT_GE(edgeLevels.size(), 8u) << "levels of opacity along the edges";
    }
};

// At every size a tray draws the icon, from 100 % to 400 %.
TEST_F(Tray, TheIconIsDrawnFromAPictureAsLargeAsEverySizeATrayAsksFor) {
    start();
    for (int size : {16, 20, 24, 32, 40, 48, 64}) {
        SCOPED_TRACE(size);
        expectDrawnAt(pt::trayPictureAt(w->form, size), size);
    }
}

// The notification area draws its small icons at the scale of the monitor
// that holds it: 16 pixels at 96 dots per inch, 20 at 120, 24 at 144, 32 at
// 192. The icon is handed over at that size, so the shell never stretches it.
#ifdef _WIN32
// Windows only: Qt hands a notification area the icon at every size it asks for.
TEST_F(Tray, IsHandedOverAtTheSizeTheNotificationAreaDrawsIt) {
    ASSERT_TRUE(pt::setTrayDpi(192));
    struct Reset {
        ~Reset() { pt::setTrayDpi(0), pt::setDpi(0); }
    } reset;
    pt::setDpi(96);
    start();
    const auto tip = pt::trayTip(w->form);
    ASSERT_TRUE(tip);
    expectDrawnAt(pt::trayPicture(w->form), 32);
    const auto expectIconOf = [&](int size, const char* when) {
        SCOPED_TRACE(when);
        expectDrawnAt(pt::trayPicture(w->form), size);
        EXPECT_EQ(pt::trayTip(w->form), tip) << "the tip stays";
    };
    // One monitor: the window and the notification area change together.
    for (auto [dpi, size] : {std::pair{144, 24}, {96, 16}, {120, 20}, {192, 32}}) {
        pt::setTrayDpi(dpi);
        if (!pt::moveToMonitorOfDpi(w->form, dpi)) GTEST_SKIP() << "the toolkit rescales by itself";
        expectIconOf(size, "the window's monitor changed its scale");
    }
    // The window moved to another monitor: the notification area stays where it is.
    pt::moveToMonitorOfDpi(w->form, 96);
    expectIconOf(32, "the window moved away from the notification area");
    // The monitor with the notification area changed its scale, not the window's.
    pt::setTrayDpi(144);
    pt::sendMessage(w->form, 0x007E /* WM_DISPLAYCHANGE */, 32, 0);
    expectIconOf(24, "the notification area's monitor changed its scale");
    // A shell started again gets the icon back at once, at its size.
    const auto restarted = pt::shellRestartMessage();
    ASSERT_TRUE(restarted);
    pt::setTrayDpi(120);
    pt::sendMessage(w->form, *restarted, 0, 0);
    expectIconOf(20, "the icon added again");
    const pt::NotifyCall added = calls().back();
    EXPECT_EQ(added.message, platform::NIM_ADD);
    EXPECT_EQ(added.data.uFlags, 7u) << "icon, callback and tip at once";
    EXPECT_EQ(added.data.uCallbackMessage, 2025u);
    EXPECT_EQ(std::string(added.data.szTip), "Tockmere Beta 1.1 \xB0\xE6");
}
#endif

// The second start in the same process finds the record the first icon
// left behind, and adds its icon without the old tip all the same.
TEST_F(Tray, StartAddsTheIconThenSetsItsTipInTheAnsiCodePageAndTheCloseBoxRemovesIt) {
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        start();
        const auto c = calls();
        ASSERT_EQ(c.size(), 2u);
        EXPECT_EQ(c[0].message, platform::NIM_ADD);
        EXPECT_EQ(c[0].data.cbSize, 88u);
        EXPECT_EQ(c[0].data.uID, 0u);
        EXPECT_EQ(c[0].data.uFlags, 3u);
        EXPECT_EQ(c[0].data.uCallbackMessage, 2025u);
        EXPECT_EQ(c[0].data.hIcon, static_cast<std::int32_t>(w->form.iconHandle()));
        EXPECT_NE(c[0].data.hIcon, 0);
        EXPECT_EQ(tipBytes(c[0].data), std::string(64, ' ')) << "added without a tip";

        EXPECT_EQ(c[1].message, platform::NIM_MODIFY);
        EXPECT_EQ(c[1].data.uFlags, 4u);
        EXPECT_EQ(c[1].data.uCallbackMessage, 2025u) << "the rest of the record stays";
        const std::string tip = "Tockmere Beta 1.1 \xB0\xE6";  // 版 in GBK
        EXPECT_EQ(tipBytes(c[1].data), tip + '\0' + std::string(64 - tip.size() - 1, ' '));
        EXPECT_EQ(pt::trayTip(w->form), "Tockmere Beta 1.1 版");

        pt::closeByCloseBox(w->form);
        ASSERT_EQ(calls().size(), 3u);
        EXPECT_EQ(calls()[2].message, platform::NIM_DELETE);
        EXPECT_FALSE(pt::trayTip(w->form).has_value());
        EXPECT_FALSE(w->form.loaded());
        EXPECT_FALSE(w->form.visible());
    }
}

// A left click shows the notice window (only while reminders are armed: the
// model's, sequences.cpp), a right click pops up the menu: its items in
// order, "✓" on the mode chosen, "×" on each item disabled. (Which are
// enabled and checked in every state is the model's too.)
TEST_F(Tray, LeftClickShowsTheNoticeOnlyWhileArmedRightClickTheMenu) {
    start();
    pt::trayClick(w->form, platform::RightButton);
    ASSERT_EQ(menus.size(), 1u);
    std::string read;
    for (const auto& i : menus[0])
        read += i.caption + (i.checked ? "✓" : "") + (i.enabled ? " " : "× ");
    EXPECT_EQ(read, "普通✓ 高级 查询× 恢复× 隐藏 关于 - 退出 ");
    arm({{"10", "0", "开会"}, {"11", "0", "交报告"}});

    pt::sendMessage(w->form, 2025, 0, platform::WM_LBUTTONDOWN);
    EXPECT_EQ(w->info(), nullptr) << "a press alone does nothing";
    pt::trayClick(w->form, platform::LeftButton);
    ASSERT_NE(w->info(), nullptr);
    EXPECT_EQ(w->info()->Label2[0].caption(), "事件：开会");

    // A double click is two single clicks; the second finds the window open.
    w->info()->form.unload();
    pt::trayDoubleClick(w->form);
    EXPECT_NE(w->info(), nullptr);
    EXPECT_EQ(menus.size(), 1u);
}

TEST_F(Tray, ExitRemovesTheIconTwiceAndUnhooksTheWindow) {
    start();
    arm({{"10", "0", "开会"}});
    w->showInfo();
    menuChoices = {"退出"};
    pt::trayClick(w->form, platform::RightButton);
    const auto c = calls();
    ASSERT_EQ(c.size(), 4u);
    for (std::size_t i : {2u, 3u}) {
        EXPECT_EQ(c[i].message, platform::NIM_DELETE);
        EXPECT_EQ(c[i].data.uFlags, 0u);
        EXPECT_EQ(c[i].data.uID, 0u);
    }
    EXPECT_FALSE(pt::trayTip(w->form).has_value()) << "the icon is gone";
    EXPECT_FALSE(w->form.loaded());
    EXPECT_EQ(w->info(), nullptr);
    // Unhooked: a tray message reaches the window's own procedure, which
    // pops nothing up.
    pt::sendMessage(w->form, 2025, 0, platform::WM_RBUTTONUP);
    EXPECT_EQ(menus.size(), 1u);
}

// Without a notification area, hiding leaves the window minimised in the
// task bar; a reminder told brings it up in its normal state.
TEST_F(Tray, AnArmedWindowInTheTaskBarTellsEveryReminderAtItsTime) {
    pt::setTrayAvailable(false);
    start();
    arm({{"9", "50", "一"}, {"10", "0", "开会"}});
    EXPECT_TRUE(w->form.visible());
    EXPECT_EQ(w->form.windowState(), platform::Form::Minimized);
    std::vector<platform::Form::WindowState> duringBox;
    whileBoxOpen = [&](const Box&) { duringBox.push_back(w->form.windowState()); };
    tickAt(9, 50, 0, 5);
    EXPECT_EQ(told(takeBoxes()), std::vector<std::string>{" 9:50:00啦!应该一"});
    EXPECT_EQ(w->form.windowState(), platform::Form::Minimized) << "one still to come";
    pt::restoreFromTaskbar(w->form);
    ASSERT_EQ(w->form.windowState(), platform::Form::Normal);

    tickAt(10, 0, 0, 5);
    EXPECT_EQ(told(takeBoxes()), std::vector<std::string>{" 10:00:00啦!应该开会"});
    EXPECT_EQ(duringBox, (std::vector{platform::Form::Normal, platform::Form::Normal}));
    EXPECT_TRUE(w->book.noneArmed);
    EXPECT_TRUE(w->Command1.enabled() && w->Command2.enabled()) << "the entry is live again";
    EXPECT_EQ(w->form.windowState(), platform::Form::Normal);

    pt::chooseMenuItem(w->mnuTrayHide);
    EXPECT_EQ(w->form.windowState(), platform::Form::Minimized) << "Hide's normal state waits";
    pt::chooseMenuItem(w->mnuTrayRestore);
    EXPECT_EQ(w->form.windowState(), platform::Form::Normal);
    pt::setTrayAvailable(true);
}

// The tray going away leaves a hidden window in the task bar. Brought up
// meanwhile, by the program or by the user, it stays when the tray comes
// back; left there, it goes back to the tray with it, and armed, it still
// comes up at its time.
TEST_F(Tray, TheTrayGoingAwayLeavesTheHiddenWindowInTheTaskBarUntilItComesBack) {
    if (!pt::trayLossNoticed()) GTEST_SKIP() << "the tray's loss is not watched here";
    enum { ByRestore, FromTheTaskBar, LeftThere, Armed };
    for (const int way : {ByRestore, FromTheTaskBar, LeftThere, Armed}) {
        start();
        if (way == Armed)
            arm({{"10", "0", "开会"}});
        else
            pt::chooseMenuItem(w->mnuTrayHide);
        pt::setTrayAvailable(false);
        EXPECT_TRUE(w->form.visible()) << way;
        EXPECT_EQ(w->form.windowState(), platform::Form::Minimized) << way;
        if (way == ByRestore) pt::chooseMenuItem(w->mnuTrayRestore);
        if (way == FromTheTaskBar) pt::restoreFromTaskbar(w->form);
        pt::setTrayAvailable(true);
        EXPECT_EQ(w->form.visible(), way < LeftThere) << way;
        EXPECT_EQ(w->form.windowState(), platform::Form::Normal) << way;
        if (way == LeftThere) pt::chooseMenuItem(w->mnuTrayRestore);
        EXPECT_EQ(w->form.visible(), way != Armed) << way;
    }
    tickAt(10, 0, 0, 5);
    EXPECT_EQ(told(takeBoxes()), std::vector<std::string>{" 10:00:00啦!应该开会"});
    EXPECT_TRUE(w->form.visible());
    EXPECT_EQ(w->form.windowState(), platform::Form::Normal);
}

}  // namespace
