// Every text of every window is drawn whole in its control, measured in the
// control's own font: at the usual 96 dots per inch and at 144 (150 %).
#include "harness.h"
#include "windows/frmAbout.h"
#include "windows/frmInfo.h"
#include "windows/texts.h"

namespace {

const std::string kChinese50 =
    "请在下午三点前把季度报告发给王经理并抄送财务部李主任同时准备好明天上午十点会议所需的全部材料和"
    "投影仪";
const std::string kMixed50 = "Call Dr.Li at 3pm: 带上病历和医保卡, ask about the x-ray!!";
const std::string kOneWord50(50, 'W');

class TextFit : public MainWindowTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        pt::setDpi(GetParam());
    }
    void TearDown() override {
        pt::setDpi(0);
        MainWindowTest::TearDown();
    }

    // The text is whole: no wider and no higher than the room it has, and
    // on one line where the layout has room for one.
    static void expectFits(const platform::Control& c, const std::string& what,
                           bool oneLine = true) {
        const pt::TextFit f = pt::textFit(c);
        EXPECT_LE(f.width, f.roomWidth) << what;
        EXPECT_LE(f.height, f.roomHeight) << what;
        if (oneLine) {
            EXPECT_EQ(f.lines, 1) << what;
        }
    }
    static int right(const pt::PixelRect& r) { return r.left + r.width; }
    static int bottom(const pt::PixelRect& r) { return r.top + r.height; }
};

TEST_P(TextFit, MainWindow) {
    start();
    tickAt(23, 59, 58);
    EXPECT_FALSE(w->Label1.caption().empty());
    expectFits(w->Label1, "clock " + w->Label1.caption());
    w->Text1.setText("23");
    w->Text2.setText("59");
    for (auto [c, what] :
         std::initializer_list<std::pair<platform::Control*, const char*>>{{&w->Label2, "系统"},
                                                                           {&w->Label3, "设置"},
                                                                           {&w->Label4, "时 分"},
                                                                           {&w->Label5, "提醒信息"},
                                                                           {&w->Text1, "hour"},
                                                                           {&w->Text2, "minute"},
                                                                           {&w->Command1, "重设"},
                                                                           {&w->Command2, "确定"}})
        expectFits(*c, what);
    // The other captions the entry gives these controls.
    w->Label5.setCaption(texts::kMessageTitleAgain);
    expectFits(w->Label5, texts::kMessageTitleAgain);
    w->Command1.setCaption(texts::kMore);
    expectFits(w->Command1, texts::kMore);
}

TEST_P(TextFit, TheUnitsStandInTheGapsBetweenTheBoxes) {
    start();
    const pt::PixelRect units = pt::pixelRect(w->Label4);
    const pt::PixelRect hour = pt::pixelRect(w->Text1);
    const pt::PixelRect minute = pt::pixelRect(w->Text2);
    const auto at = [&](const char* prefix) {
        return units.left + pt::textWidth(w->Label4, prefix);
    };
    EXPECT_GE(at("    "), right(hour)) << "时 starts after the hour box";
    EXPECT_LE(at("    时"), minute.left) << "时 ends before the minute box";
    EXPECT_GE(at("    时     "), right(minute)) << "分 starts after the minute box";
    EXPECT_LE(at("    时     分"), right(units)) << "分 ends inside its label";
}

TEST_P(TextFit, About) {
    start();
    frmAbout about(*w);
    for (auto [c, what] : std::initializer_list<std::pair<platform::Control*, const char*>>{
             {&about.lblTitle, "title"},
             {&about.Label1, "version"},
             {&about.lblDescription, "软件调用系统时间来提醒您"},
             {&about.lblVersion, "请确保系统时间准确无误"},
             {&about.cmdOK, "确定"},
             {&about.cmdSysInfo, "系统信息(&S)..."}})
        expectFits(*c, what);
}

TEST_P(TextFit, NoticeWindowWithThreeLongMessages) {
    reminder::Book book;
    book.write(1, "8:15:00", kChinese50);
    book.write(2, "13:05:00", kMixed50);
    book.write(3, "21:40:00", kOneWord50);
    frmInfo info(book);
    for (int i = 0; i < 3; ++i) {
        expectFits(info.Label1[i], info.Label1[i].caption());
        expectFits(info.Label2[i], info.Label2[i].caption(), false);
        EXPECT_GE(pt::textFit(info.Label2[i]).lines, 2) << "a message this long wraps";
    }
    expectFits(info.Label3, info.Label3.caption());
    expectFits(info.Command1, "确定");
    // The rows follow one another without overlapping, the line and the
    // count below them, the button inside the window.
    for (int i = 0; i < 3; ++i) {
        EXPECT_LE(bottom(pt::pixelRect(info.Label1[i])), pt::pixelRect(info.Label2[i]).top) << i;
        if (i < 2) {
            EXPECT_LE(bottom(pt::pixelRect(info.Label2[i])), pt::pixelRect(info.Label1[i + 1]).top)
                << i;
        }
    }
    EXPECT_LE(bottom(pt::pixelRect(info.Label2[2])), pt::pixelRect(info.Command1).top);
    EXPECT_LE(bottom(pt::pixelRect(info.Label2[2])), pt::pixelRect(info.Label3).top);
    EXPECT_LT(info.Command1.top() + info.Command1.height(), info.form.height());
}

TEST_P(TextFit, ANoticeRowWhoseOneWordIsWiderThanItWrapsInsideIt) {
    // Letters give no place to break between them: the word is one.
    std::string word;
    for (int i = 0; i < 50; ++i) word += "Ж";
    reminder::Book book;
    book.write(1, "8:15:00", word);
    frmInfo info(book);
    ASSERT_GT(pt::textWidth(info.Label2[0], word), pt::pixelRect(info.Label2[0]).width)
        << "the word alone is wider than its row";
    expectFits(info.Label2[0], info.Label2[0].caption(), false);
    EXPECT_GE(pt::textFit(info.Label2[0]).lines, 2);
    EXPECT_LE(bottom(pt::pixelRect(info.Label2[0])), pt::pixelRect(info.Label1[1]).top);
}

TEST_P(TextFit, AShortMessageKeepsItsTwoLineRow) {
    reminder::Book book;
    book.write(1, "8:15:00", "晨会");
    frmInfo info(book);
    EXPECT_NEAR(info.Label2[0].height(), 345, 15);
}

INSTANTIATE_TEST_SUITE_P(Dpi, TextFit, ::testing::Values(96, 144),
                         [](const auto& dpi) { return std::to_string(dpi.param); });

}  // namespace
