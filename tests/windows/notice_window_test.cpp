// The notice window: the reminders still set, opened from the menu or the
// tray, closed by its button or its close box. (That it goes before a
// reminder's box, and where it stands, the model checks: sequences.cpp.)
#include "harness.h"
#include "windows/frmMain.h"

namespace {

struct Entry {
    std::string time, event;
};
const Entry kSlot[] = {{"8:15:00", "晨会"}, {"13:05:00", "交周报"}, {"21:40:00", "给妈妈打电话"}};
const std::string kCount[] = {"Tockmere提醒您： ", "Tockmere提醒您： 有一件事要做",
                              "Tockmere提醒您： 有两件事要做", "Tockmere提醒您： 有三件事要做"};

class NoticeWindow : public MainWindowTest {
protected:
    // Time lines, message lines and the count line, as the window shows them.
    std::vector<std::string> shown() const {
        std::vector<std::string> out;
        for (int i = 0; i < 3; ++i) {
            out.push_back(w->info()->Label1[i].caption());
            out.push_back(w->info()->Label2[i].caption());
        }
        out.push_back(w->info()->Label3.caption());
        return out;
    }
    static std::vector<std::string> listing(const std::vector<Entry>& rows) {
        std::vector<std::string> out;
        for (const Entry& e : rows) {
            out.push_back("时间：" + e.time);
            out.push_back("事件：" + e.event);
        }
        out.resize(6);
        out.push_back(kCount[rows.size()]);
        return out;
    }
};

TEST_F(NoticeWindow, ListsTheFilledSlotsFromTheFirstUpToTheNextEmptyOne) {
    start();
    // Per slot: '+' filled, '-' empty, 't' a time without a message, 'm' a
    // message without a time. Then the slots the rows show, top down.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"+++", "123"}, {"++-", "12"}, {"+-+", "1"}, {"+--", "1"},  {"-++", "23"},
        {"-+-", "2"},   {"--+", "3"},  {"---", ""},  {"mt+", "23"}, {"+m+", "1"},
    };
    for (const auto& [pattern, listed] : cases) {
        for (int k = 1; k <= 3; ++k) {
            const Entry& e = kSlot[k - 1];
            const char c = pattern[k - 1];
            w->book.write(k, c == '+' || c == 't' ? e.time : "",
                          c == '+' || c == 'm' ? e.event : "");
        }
        std::vector<Entry> rows;
        for (const char k : listed) {
            const reminder::Slot& s = w->book.slot(k - '0');
            rows.push_back({s.time, s.event});
        }
        w->showInfo();
        ASSERT_NE(w->info(), nullptr);
        EXPECT_EQ(shown(), listing(rows)) << pattern;
        // A reader reads the window once, on its button: each time with its
        // message, then the count.
        std::string read;
        for (const Entry& e : rows) read += "时间：" + e.time + " 事件：" + e.event + "\n";
        EXPECT_EQ(pt::accessibleName(w->info()->Command1), "确定");
        EXPECT_EQ(pt::accessibleDescription(w->info()->Command1), read + kCount[rows.size()]);
        EXPECT_EQ(pt::accessibleDescription(w->info()->form), "");
        // From the keyboard: the button has the focus, Enter or Esc closes
        // the window, and the main window takes the keys back on its field.
        EXPECT_TRUE(pt::eventually([&] { return w->info()->Command1.hasFocus(); }));
        pt::pressKey(w->info()->Command1,
                     pattern[0] == '+' ? platform::KeyReturn : platform::KeyEscape);
        EXPECT_EQ(w->info(), nullptr);
        EXPECT_TRUE(pt::eventually(
            [&] { return pt::isForeground(w->form) && pt::holdsKeyboardFocus(w->Text1); }));
    }
    EXPECT_TRUE(takeBoxes().empty());
}

// Shown again, an open window is only brought forward; a new load reads the
// book as it is then.
TEST_F(NoticeWindow, QueryOpensItWhileArmedAndButtonOrCloseBoxUnloadsIt) {
    start();
    pt::chooseMenuItem(w->mnuTrayQuery);
    EXPECT_EQ(w->info(), nullptr) << "nothing is armed yet";
    arm({{"10", "0", "写报告"}});

    pt::chooseMenuItem(w->mnuTrayQuery);
    ASSERT_NE(w->info(), nullptr);
    EXPECT_TRUE(w->info()->form.visible());
    const std::vector<std::string> first = shown();
    EXPECT_EQ(first, listing({{"10:00:00", "写报告"}}));
    w->book.write(2, "11:30:00", "取快递");
    w->showInfo();
    EXPECT_EQ(shown(), first);
    w->mnuTrayQuery_Click();
    tickAt(9, 41, 51);
    EXPECT_EQ(shown(), first) << "neither a query nor a tick that tells nothing reloads it";
    pt::click(w->info()->Command1);
    EXPECT_EQ(w->info(), nullptr);

    w->mnuTrayQuery_Click();
    ASSERT_NE(w->info(), nullptr);
    EXPECT_EQ(shown(), listing({{"10:00:00", "写报告"}, {"11:30:00", "取快递"}}));
    pt::closeByCloseBox(w->info()->form);
    EXPECT_EQ(w->info(), nullptr);
    EXPECT_FALSE(w->book.noneArmed) << "closing the list disarms nothing";
    EXPECT_TRUE(takeBoxes().empty());
}

// Each load is a window of its own; unloaded and replaced, it gives back
// all it held: the program's memory stays level however often it opens.
TEST_F(NoticeWindow, OpenedAndClosedOftenKeepsTheMemoryLevel) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer holds freed memory back for a while";
#endif
    start();
    w->book.write(1, kSlot[0].time, kSlot[0].event);
    const auto openAndClose = [&](int times) {
        for (int i = 0; i < times; ++i) {
            w->showInfo();
            pt::processEvents();
            pt::click(w->info()->Command1);
            pt::processEvents();
        }
    };
    openAndClose(30);
    const std::size_t settled = pt::memoryInUse();
    ASSERT_GT(settled, 0u);
    openAndClose(120);
    const double grownKiB = (static_cast<double>(pt::memoryInUse()) - settled) / 1024;
    EXPECT_LT(grownKiB, 512) << "after 150 openings, " << grownKiB << " KiB more than after 30";
}

}  // namespace
