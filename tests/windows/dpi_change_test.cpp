// A window moved to a monitor of another scale is laid out again there: its
// controls where the layout puts them at the new scale, each text whole in
// its control's font at that scale, and the window grown or shrunk with them.
// Windows tells the program (WM_DPICHANGED); Qt rescales by itself and says
// nothing, so there the tests have nothing to do.
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "harness.h"
#include "windows/frmAbout.h"
#include "windows/frmInfo.h"

namespace {

using Controls = std::vector<std::pair<platform::Control*, const char*>>;

class DpiChange : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        pt::setDpi(96);
    }
    void TearDown() override {
        pt::setDpi(0);
        MainWindowTest::TearDown();
    }

    // At 96 dots per inch, before any move.
    struct Start {
        platform::Twips width, height;
        std::vector<pt::PixelRect> rects;
    };
    static Start startOf(const platform::Form& form, const Controls& controls) {
        Start s{form.width(), form.height(), {}};
        for (const auto& [c, what] : controls) s.rects.push_back(pt::pixelRect(*c));
        return s;
    }

    // At `dpi`: every control where the layout puts it at that scale, every
    // text whole, and the window as large in twips as it was, so as many
    // more pixels as the scale says.
    static void expectLaidOutAt(int dpi, const platform::Form& form, const Controls& controls,
                                const Start& start, const std::vector<const char*>& wrapping = {}) {
        SCOPED_TRACE(::testing::Message() << dpi << " dots per inch");
        EXPECT_NEAR(form.width(), start.width, 30);
        EXPECT_NEAR(form.height(), start.height, 30);
        const auto scaled = [dpi](int px) { return px * dpi / 96; };
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const auto& [c, what] = controls[i];
            const pt::PixelRect r = pt::pixelRect(*c);
            EXPECT_NEAR(r.left, scaled(start.rects[i].left), 2) << what;
            EXPECT_NEAR(r.top, scaled(start.rects[i].top), 2) << what;
            EXPECT_NEAR(r.width, scaled(start.rects[i].width), 2) << what;
            const pt::TextFit f = pt::textFit(*c);
            EXPECT_LE(f.width, f.roomWidth) << what;
            EXPECT_LE(f.height, f.roomHeight) << what;
            const bool wraps = std::find(wrapping.begin(), wrapping.end(), what) != wrapping.end();
            if (!wraps && f.lines > 0) {
                EXPECT_EQ(f.lines, 1) << what;
            }
        }
    }
};

TEST_F(DpiChange, MainWindowFollowsTheMonitorsScale) {
    start();
    tickAt(23, 59, 58);
    w->Text1.setText("23");
    w->Text2.setText("59");
    const Controls controls{{&w->Label1, "clock"}, {&w->Label2, "系统"},     {&w->Label3, "设置"},
                            {&w->Label4, "时 分"}, {&w->Label5, "提醒信息"}, {&w->Text1, "hour"},
                            {&w->Text2, "minute"}, {&w->Text4, "message"},   {&w->Command1, "重设"},
                            {&w->Command2, "确定"}};
    const Start at96 = startOf(w->form, controls);
    const double points = w->Label5.fontPoints();
    for (int dpi : {144, 192, 96}) {
        if (!pt::moveToMonitorOfDpi(w->form, dpi)) GTEST_SKIP() << "the toolkit rescales by itself";
        expectLaidOutAt(dpi, w->form, controls, at96);
        EXPECT_EQ(w->Label5.fontPoints(), points) << "the same size in points at " << dpi;
    }
}

TEST_F(DpiChange, NoticeAndAboutFollowTheMonitorsScale) {
    reminder::Book book;
    book.write(1, "8:15:00",
               "请在下午三点前把季度报告发给王经理并抄送财务部李主任同时准备好明天上午");
    book.write(2, "13:05:00", "晨会");
    frmInfo info(book);
    info.form.show();
    const Controls notice{{&info.Label1[0], "time 1"}, {&info.Label2[0], "message 1"},
                          {&info.Label1[1], "time 2"}, {&info.Label2[1], "message 2"},
                          {&info.Label3, "count"},     {&info.Command1, "确定"}};
    const Start noticeAt96 = startOf(info.form, notice);

    start();
    frmAbout about(*w);
    const Controls aboutControls{{&about.lblTitle, "title"},
                                 {&about.Label1, "version"},
                                 {&about.lblDescription, "description"},
                                 {&about.lblVersion, "warning"},
                                 {&about.cmdOK, "确定"},
                                 {&about.cmdSysInfo, "系统信息"}};
    const Start aboutAt96 = startOf(about.form, aboutControls);

    for (int dpi : {144, 192, 96}) {
        if (!pt::moveToMonitorOfDpi(info.form, dpi))
            GTEST_SKIP() << "the toolkit rescales by itself";
        expectLaidOutAt(dpi, info.form, notice, noticeAt96, {"message 1", "message 2"});
        // The rows still follow one another, the second below the first's message.
        const pt::PixelRect message = pt::pixelRect(info.Label2[0]);
        EXPECT_LE(message.top + message.height, pt::pixelRect(info.Label1[1]).top);
        ASSERT_TRUE(pt::moveToMonitorOfDpi(about.form, dpi));
        expectLaidOutAt(dpi, about.form, aboutControls, aboutAt96, {"description", "warning"});
    }
}

// The notification area draws its small icons at the scale of the monitor
// that holds it: 16 pixels at 96 dots per inch, 20 at 120, 24 at 144, 32 at
// 192. The icon is handed over at that size, so the shell never stretches
// it, and it is still the alarm clock: as much of it covered, in the same
// colours, as the picture the window shows.
TEST_F(DpiChange, TheTrayIconIsHandedOverAtTheSizeTheNotificationAreaDrawsIt) {
    if (!pt::setTrayDpi(192)) GTEST_SKIP() << "the toolkit sizes the icon by itself";
    struct Reset {
        ~Reset() { pt::setTrayDpi(0); }
    } reset;
    struct Look {
        double covered = 0, red = 0, green = 0, blue = 0;
    };
    const auto look = [](const pt::TrayPicture& p) {
        Look l;
        double alpha = 0;
        for (std::uint32_t v : p.argb) {
            const double a = (v >> 24) / 255.0;
            alpha += a;
            l.red += a * ((v >> 16) & 0xFF);
            l.green += a * ((v >> 8) & 0xFF);
            l.blue += a * (v & 0xFF);
        }
        l.covered = alpha / static_cast<double>(p.argb.size());
        if (alpha > 0) l.red /= alpha, l.green /= alpha, l.blue /= alpha;
        return l;
    };
    start();
    const auto tip = pt::trayTip(w->form);
    ASSERT_TRUE(tip);
    const auto whole = pt::trayPicture(w->form);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->width, 32) << "at 192 dots per inch the picture as it is";
    const Look picture = look(*whole);
    ASSERT_GT(picture.covered, 0.2);

    const auto expectIconOf = [&](int size, const char* when) {
        SCOPED_TRACE(when);
        const auto shown = pt::trayPicture(w->form);
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->width, size);
        EXPECT_EQ(shown->height, size);
        const Look l = look(*shown);
        EXPECT_NEAR(l.covered, picture.covered, 0.03);
        EXPECT_NEAR(l.red, picture.red, 8);
        EXPECT_NEAR(l.green, picture.green, 8);
        EXPECT_NEAR(l.blue, picture.blue, 8);
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
    // A shell started again gets the icon at its size at once.
    const auto restarted = pt::shellRestartMessage();
    ASSERT_TRUE(restarted);
    pt::setTrayDpi(120);
    pt::sendMessage(w->form, *restarted, 0, 0);
    expectIconOf(20, "the icon added again");
}

}  // namespace
