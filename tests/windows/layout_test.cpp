// Every text of every window is drawn whole in its control's own font, laid
// out at 96 dots per inch and at 144 (150 %). A window moved to a monitor of
// another scale is laid out again there, its controls where the layout puts
// them at the new scale and the window grown or shrunk with them: Windows
// tells the program (WM_DPICHANGED); Qt rescales by itself and says nothing.
#include <algorithm>
#include <utility>
#include <vector>

#include "harness.h"
#include "windows/frmAbout.h"
#include "windows/frmInfo.h"
#include "windows/texts.h"

namespace {

// The controls of a window, named for the messages, and whether the text
// may wrap to more lines.
struct Part {
    platform::Control* control;
    const char* what;
    bool wraps = false;
};
using Parts = std::vector<Part>;

int bottom(const pt::PixelRect& r) {
    return r.top + r.height;
}

// The text is whole: no wider and no higher than the room it has, and on
// one line where the layout has room for one.
void expectWhole(const Parts& parts) {
    for (const auto& [c, what, wraps] : parts) {
        const pt::TextFit f = pt::textFit(*c);
        EXPECT_LE(f.width, f.roomWidth) << what;
        EXPECT_LE(f.height, f.roomHeight) << what;
        if (!wraps && f.lines > 0) {
            EXPECT_EQ(f.lines, 1) << what;
        }
    }
}

// Moved to monitors of other scales and back: at each, every text whole, and
// unless the window fits its layout to its texts (`atEach` checks that
// instead), every control where the layout puts it, scaled from where it
// stood, and the window as large in twips as it was, so as many more pixels
// as the scale says. False where the toolkit rescales by itself.
bool expectFollowsTheMonitors(platform::Form& form, const Parts& parts, int dpi,
                              const std::function<void()>& atEach = {}) {
    const platform::Twips width = form.width(), height = form.height();
    std::vector<pt::PixelRect> start;
    for (const Part& p : parts) start.push_back(pt::pixelRect(*p.control));
    for (int to : {192, dpi == 96 ? 144 : 96, dpi}) {
        if (!pt::moveToMonitorOfDpi(form, to)) return false;
        SCOPED_TRACE(::testing::Message() << "moved to " << to << " dots per inch");
        expectWhole(parts);
        if (atEach) {
            atEach();
            continue;
        }
        EXPECT_NEAR(form.width(), width, 30);
        EXPECT_NEAR(form.height(), height, 30);
        const auto scaled = [&](int px) { return px * to / dpi; };
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const pt::PixelRect r = pt::pixelRect(*parts[i].control);
            EXPECT_NEAR(r.left, scaled(start[i].left), 2) << parts[i].what;
            EXPECT_NEAR(r.top, scaled(start[i].top), 2) << parts[i].what;
            EXPECT_NEAR(r.width, scaled(start[i].width), 2) << parts[i].what;
        }
    }
    return true;
}

class Layout : public MainWindowTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        pt::setDpi(GetParam());
    }
    void TearDown() override {
        pt::setDpi(0);
        MainWindowTest::TearDown();
    }
};

TEST_P(Layout, MainWindow) {
    start();
    tickAt(23, 59, 58);
    EXPECT_FALSE(w->Label1.caption().empty());
    w->Text1.setText("23");
    w->Text2.setText("59");
    const Parts parts{{&w->Label1, "clock"}, {&w->Label2, "系统"},     {&w->Label3, "设置"},
                      {&w->Label4, "时 分"}, {&w->Label5, "提醒信息"}, {&w->Text1, "hour"},
                      {&w->Text2, "minute"}, {&w->Text4, "message"},   {&w->Command1, "重设"},
                      {&w->Command2, "确定"}};
    expectWhole(parts);
    // The units stand in the gaps between the boxes.
    const pt::PixelRect units = pt::pixelRect(w->Label4), hour = pt::pixelRect(w->Text1),
                        minute = pt::pixelRect(w->Text2);
    const auto at = [&](const char* prefix) {
        return units.left + pt::textWidth(w->Label4, prefix);
    };
    EXPECT_GE(at("    "), hour.left + hour.width) << "时 starts after the hour box";
    EXPECT_LE(at("    时"), minute.left) << "时 ends before the minute box";
    EXPECT_GE(at("    时     "), minute.left + minute.width) << "分 starts after the minute box";
    EXPECT_LE(at("    时     分"), units.left + units.width) << "分 ends inside its label";

    const double points = w->Label5.fontPoints();
    if (expectFollowsTheMonitors(w->form, parts, GetParam())) {
        EXPECT_EQ(w->Label5.fontPoints(), points) << "the same size in points";
    }
    // The other captions the entry gives these controls.
    w->Label5.setCaption(texts::kMessageTitleAgain);
    w->Command1.setCaption(texts::kMore);
    expectWhole({{&w->Label5, texts::kMessageTitleAgain}, {&w->Command1, texts::kMore}});
}

TEST_P(Layout, About) {
    start();
    frmAbout about(*w);
    const Parts parts{{&about.lblTitle, "title"},
                      {&about.Label1, "version"},
                      {&about.lblDescription, "软件调用系统时间来提醒您"},
                      {&about.lblVersion, "请确保系统时间准确无误"},
                      {&about.cmdOK, "确定"},
                      {&about.cmdSysInfo, "系统信息(&S)..."}};
    expectWhole(parts);
    expectFollowsTheMonitors(about.form, parts, GetParam());
}

TEST_P(Layout, NoticeWindowWithThreeLongMessages) {
    reminder::Book book;
    book.write(1, "8:15:00",
               "请在下午三点前把季度报告发给王经理并抄送财务部李主任同时准备好明天上午十点会议所需"
               "的全部材料和投影仪");
    book.write(2, "13:05:00", "Call Dr.Li at 3pm: 带上病历和医保卡, ask about the x-ray!!");
    std::string word;
    for (int i = 0; i < 50; ++i) word += "Ж";
    book.write(3, "21:40:00", word);
    frmInfo info(book);
    info.form.show();
    // The third is one word, wider than its row: letters give no place to
    // break between them.
    ASSERT_GT(pt::textWidth(info.Label2[2], word), pt::pixelRect(info.Label2[2]).width);
    Parts parts{{&info.Label3, "count"}, {&info.Command1, "确定"}};
    for (int i = 0; i < 3; ++i) {
        parts.push_back({&info.Label1[i], "time"});
        parts.push_back({&info.Label2[i], "message", true});
    }
    // The rows follow one another without overlapping, the line and the
    // count below them, the button inside the window.
    const auto expectRowsInOrder = [&] {
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(pt::textFit(info.Label2[i]).lines, 2) << "a message this long wraps";
            EXPECT_LE(bottom(pt::pixelRect(info.Label1[i])), pt::pixelRect(info.Label2[i]).top);
            if (i < 2) {
                EXPECT_LE(bottom(pt::pixelRect(info.Label2[i])),
                          pt::pixelRect(info.Label1[i + 1]).top);
            }
        }
        EXPECT_LE(bottom(pt::pixelRect(info.Label2[2])), pt::pixelRect(info.Command1).top);
        EXPECT_LE(bottom(pt::pixelRect(info.Label2[2])), pt::pixelRect(info.Label3).top);
        EXPECT_LT(info.Command1.top() + info.Command1.height(), info.form.height());
    };
    expectWhole(parts);
    expectRowsInOrder();
    expectFollowsTheMonitors(info.form, parts, GetParam(), expectRowsInOrder);
}

INSTANTIATE_TEST_SUITE_P(Dpi, Layout, ::testing::Values(96, 144),
                         [](const auto& dpi) { return std::to_string(dpi.param); });

}  // namespace
