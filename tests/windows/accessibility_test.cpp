// What a screen reader says of each control that takes the focus, read
// through the system's own accessibility interface: the fields by the texts
// beside them, the message field by the reminder being entered, the buttons
// by their captions, the notice window by what it lists.
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

TEST_F(Accessible, NoticeWindowReadsEachTimeWithItsMessageAndTheCount) {
    start();
    const auto readWith = [this](const std::vector<std::pair<std::string, std::string>>& rows) {
        for (int k = 1; k <= 3; ++k) {
            const bool filled = k <= static_cast<int>(rows.size());
            w->book.write(k, filled ? rows[k - 1].first : "", filled ? rows[k - 1].second : "");
        }
        w->showInfo();
        EXPECT_NE(w->info(), nullptr);
        if (!w->info()) return std::vector<std::string>{};
        std::vector<std::string> out{pt::accessibleName(w->info()->Command1),
                                     pt::accessibleDescription(w->info()->Command1),
                                     pt::accessibleDescription(w->info()->form)};
        pt::click(w->info()->Command1);
        return out;
    };
    const std::string one = "时间：9:50:00 事件：开会\nTockmere提醒您： 有一件事要做";
    EXPECT_EQ(readWith({{"9:50:00", "开会"}}), (std::vector<std::string>{"确定", one, ""}))
        << "the window is read once, on its button";
    const std::string three =
        "时间：8:15:00 事件：晨会\n时间：13:05:00 事件：交周报\n"
        "时间：21:40:00 事件：给妈妈打电话\nTockmere提醒您： 有三件事要做";
    EXPECT_EQ(readWith({{"8:15:00", "晨会"}, {"13:05:00", "交周报"}, {"21:40:00", "给妈妈打电话"}}),
              (std::vector<std::string>{"确定", three, ""}));
}

TEST_F(Accessible, TheClockIsNamedAndReadsTheTime) {
    start();
    tickAt(9, 41, 52);
    EXPECT_EQ(pt::accessibleName(w->Label1), "时钟");
    EXPECT_EQ(pt::accessibleValue(w->Label1), "9:41:52")
        << "a reader that goes to the clock reads the time";
}

TEST_F(Accessible, AboutButtonsAreReadByTheirCaptions) {
    start();
    frmAbout about(*w);
    EXPECT_EQ(pt::accessibleName(about.cmdOK), "确定");
    EXPECT_EQ(pt::accessibleName(about.cmdSysInfo), "系统信息(S)...")
        << "the access key's mark is not read";
}

}  // namespace
