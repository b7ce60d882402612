// A whole day of ticks, with reminders entered through the window in both
// modes: each is told once, in order, at the first tick after it is due.
#include <chrono>

#include "harness.h"
#include "windows/frmMain.h"

namespace {

using namespace std::chrono_literals;

struct Typed {
    std::string hour, minute, event;
};
struct Batch {
    int hour, minute;          // when the person sits down to enter it
    bool advanced;             // entered with "高级", one after another
    std::vector<Typed> typed;  // in the order typed
};
struct Due {
    std::string event, time;  // as told
    int hour, minute;
};
struct Told {
    Box box;
    reminder::LocalTime tick;  // the clock of the tick that told it
};

const std::vector<Batch> kBatches = {
    {0, 0, false, {{"07", "05", "吃药"}}},
    {7, 10, true, {{"12", "30", "午饭"}, {"10", "0", "写周报"}, {"9", "15", "开会"}}},
    {12, 31, true, {{"21", "30", "遛狗"}, {"18", "0", "下班"}, {"18", "00", "买菜"}}},
    {21, 31, true, {{"22", "40", "洗碗"}, {"22", "40", "晾衣服"}, {"22", "10", "收衣服"}}},
    {22, 41, true, {{"23", "30", "锁门"}, {"23", "15", "喂猫"}}},
    {23, 31, false, {{"23", "59", "关灯"}}},
};
const char* const kArmed[] = {"", "只有一件事要提醒", "有两件事要提醒", "有三件事要提醒"};
// Times that are equal keep the order the compare-and-swap steps leave them in.
const std::vector<Due> kTold = {
    {"吃药", "07:05:00", 7, 5},   {"开会", "9:15:00", 9, 15},     {"写周报", "10:00:00", 10, 0},
    {"午饭", "12:30:00", 12, 30}, {"下班", "18:00:00", 18, 0},    {"买菜", "18:00:00", 18, 0},
    {"遛狗", "21:30:00", 21, 30}, {"收衣服", "22:10:00", 22, 10}, {"晾衣服", "22:40:00", 22, 40},
    {"洗碗", "22:40:00", 22, 40}, {"喂猫", "23:15:00", 23, 15},   {"锁门", "23:30:00", 23, 30},
    {"关灯", "23:59:00", 23, 59},
};

reminder::LocalTime today(int hour, int minute) {
    return reminder::makeLocalTime(2026, 12, 6, hour, minute, 0);
}

class SimulatedDay : public WindowTest {
protected:
    void type(const Typed& t) {
        w->Text1.setText(t.hour);
        w->Text2.setText(t.minute);
        w->Text4.setText(t.event);
        w->Text4.setFocus();
    }
    void enter(const Batch& b) {
        ASSERT_TRUE(w->book.noneArmed) << "the batch before has not been told yet";
        if (b.advanced) pt::chooseMenuItem(w->mnuTrayHigh);
        for (std::size_t i = 0; i + 1 < b.typed.size(); ++i) {
            type(b.typed[i]);
            pt::click(w->Command1);
        }
        type(b.typed.back());
        pt::click(w->Command2);
        EXPECT_EQ(takeBoxes(), std::vector<Box>{okBox(kArmed[b.typed.size()], "Tockmere")})
            << b.hour;
        EXPECT_FALSE(w->book.noneArmed);
        EXPECT_FALSE(w->form.visible());
        EXPECT_TRUE(w->mnuTrayQuery.enabled());
        EXPECT_FALSE(w->mnuTrayHigh.enabled());
        EXPECT_FALSE(w->mnuTrayNormal.enabled());
    }
    std::unique_ptr<frmMain> w;
};

TEST_F(SimulatedDay, EveryReminderIsToldOnceInOrderAtTheFirstTickAfterItIsDue) {
    setTime(0, 0, 0, 250);
    w = std::make_unique<frmMain>();
    pt::processEvents();
    const reminder::LocalTime end = clock + 24h;

    const auto tick = [this] {
        clock += 500ms;
        pt::fireTimer(w->Timer1);
    };
    bool inTick = false;
    // The person takes a second and a half to read what is told; the timer
    // keeps ticking under the open box, and those ticks only show the time.
    whileBoxOpen = [&](const Box&) {
        if (!inTick) return;
        for (int i = 0; i < 3; ++i) {
            tick();
            EXPECT_EQ(w->Label1.caption(), reminder::clockText(clock));
        }
    };

    std::vector<Told> told;
    std::size_t next = 0;
    while (clock < end) {
        if (next < kBatches.size() && clock >= today(kBatches[next].hour, kBatches[next].minute)) {
            enter(kBatches[next++]);
            if (HasFatalFailure()) return;
        }
        inTick = true;
        const reminder::LocalTime at = clock + 500ms;
        tick();
        inTick = false;
        for (Box& b : takeBoxes()) told.push_back({std::move(b), at});
    }
    EXPECT_EQ(next, kBatches.size());

    std::vector<Box> seen;
    for (const Told& t : told) seen.push_back(t.box);
    std::vector<Box> expected;
    for (const Due& d : kTold) expected.push_back(okBox("应该" + d.event, " " + d.time + "啦!"));
    ASSERT_EQ(seen, expected);
    for (std::size_t i = 0; i < told.size(); ++i) {
        const reminder::LocalTime due = today(kTold[i].hour, kTold[i].minute);
        EXPECT_GE(told[i].tick, due) << kTold[i].event;
        EXPECT_LT(told[i].tick, due + 500ms) << kTold[i].event;
    }

    const reminder::Book& b = w->book;
    EXPECT_TRUE(b.noneArmed);
    EXPECT_EQ(b.eventCount, 1);
    EXPECT_FALSE(b.advancedMode);
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(b.slot(k).empty()) << k;
    EXPECT_TRUE(w->form.visible());
    EXPECT_TRUE(w->mnuTrayNormal.checked());
    EXPECT_FALSE(w->mnuTrayQuery.enabled());
    EXPECT_EQ(w->Command1.caption(), "重设");
}

}  // namespace
