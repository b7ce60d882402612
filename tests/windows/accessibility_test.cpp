// What a screen reader says of each control that takes the focus, read
// through the system's own accessibility interface: the fields by the texts
// beside them, the message field by the reminder being entered, the buttons
// by their captions (the notice window, the clock and About are read where
// they are checked).
#include "harness.h"
#include "windows/frmMain.h"

namespace {

class Accessible : public MainWindowTest {
protected:
    struct Read {
        std::string hour, hourDescription, minute, message, more, confirm;
        bool operator==(const Read&) const = default;
    };
    friend std::ostream& operator<<(std::ostream& os, const Read& r) {
        return os << "{" << r.hour << " (" << r.hourDescription << "), " << r.minute << ", "
                  << r.message << ", " << r.more << ", " << r.confirm << "}";
    }
    Read read() const {
        return {pt::accessibleName(w->Text1),    pt::accessibleDescription(w->Text1),
                pt::accessibleName(w->Text2),    pt::accessibleName(w->Text4),
                pt::accessibleName(w->Command1), pt::accessibleName(w->Command2)};
    }
};

TEST_F(Accessible, MainWindowFieldsAreNamedAndTheMessageFollowsTheReminderBeingEntered) {
    start();
    EXPECT_EQ(read(), (Read{"时", "提醒信息（最多五十字）", "分", "提醒信息（最多五十字）", "重设",
                            "确定"}));

    advanced();
    EXPECT_EQ(read(), (Read{"时", "提醒信息（最多五十字）", "分", "提醒信息（最多五十字）", "还有",
                            "确定"}));
    enter("10", "30", "开会");
    const bool listening = pt::listenToNameChanges();
    more();
    EXPECT_EQ(read(),
              (Read{"时", "提醒信息（事件二）", "分", "提醒信息（事件二）", "还有", "确定"}));
    // A reader is told: the hour field's description, the message field's name.
    if (listening) {
        const auto heard = pt::nameChangesHeard();
        EXPECT_EQ(std::count(heard.begin(), heard.end(), "提醒信息（事件二）"), 2);
    }
    enter("11", "00", "取快递");
    more();
    EXPECT_EQ(read(),
              (Read{"时", "提醒信息（事件三）", "分", "提醒信息（事件三）", "还有", "确定"}));
    enter("12", "00", "午饭");
    more();  // the third is kept: "还有" becomes "重设"
    EXPECT_EQ(read().more, "重设");
    EXPECT_EQ(takeBoxes(), std::vector<Box>{product("就这些吧?我记不下了!")});

    // Dropped with "重设", then back to one reminder: the title and both
    // names with it.
    pt::click(w->Command1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"真的要重设吗?", "Tockmere", {"确定", "取消"}}}));
    pt::chooseMenuItem(w->mnuTrayNormal);
    EXPECT_EQ(read(),
              (Read{"时", "提醒信息 (最多五十字)", "分", "提醒信息 (最多五十字)", "重设", "确定"}));
}

}  // namespace
