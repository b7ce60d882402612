// What the entry offers in each state of the book, and the rule for a
// reminder told while the entry goes on.
#include "reminder/book.h"
#include "support/local_time.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace reminder {
namespace {

const LocalTime kNow = makeLocalTime(2024, 5, 17, 8, 0, 0);

std::string does(const Command& c) {
    // In the order of Does.
    constexpr const char* kNames[] = {"nothing",   "arm",    "clear",     "take",
                                      "ask-reset", "switch", "ask-switch"};
    return c.enabled ? kNames[static_cast<int>(c.does)] : "-";
}

// One line: 确定, the left button (caption and command), 普通, 高级, then
// the menu items offered and the item that carries the mark.
std::string row(const Offer& o) {
    std::string out = does(o.confirm) + " | " + (o.leftSaysMore ? "还有 " : "重设 ") +
                      does(o.left) + " | " + does(o.normal) + " | " + does(o.high) + " |";
    for (const auto& [on, name] :
         {std::pair{o.query, "查询"}, {o.restore, "恢复"}, {o.hide, "隐藏"}})
        if (on) out += std::string(" ") + name;
    return out + " | ✓" + (o.normalChecked ? "普通" : "高级");
}

// The entry driven as the windows drive it, one step after another.
Book open() {
    Book b;
    b.openEntry();
    return b;
}
Book advancedWith(int taken) {
    Book b = open();
    b.startAdvanced();
    for (int n = 1; n <= taken; ++n) {
        b.write(n, std::to_string(8 + n) + ":00:00", "r" + std::to_string(n));
        b.eventCount = static_cast<std::int16_t>(n + 1);
    }
    return b;
}
template <typename F>
Book with(Book b, F step) {
    step(b);
    return b;
}

TEST(Offer, EveryCommandInEveryStateOfTheEntry) {
    struct Case {
        const char* state;
        Book book;
        const char* offer;
    };
    const Case cases[] = {
        {"at start", Book{}, "- | 重设 - | nothing | switch | 隐藏 | ✓普通"},
        {"a time to come found", open(), "arm | 重设 clear | nothing | switch | 隐藏 | ✓普通"},
        {"advanced before any check", with(Book{}, [](Book& b) { b.startAdvanced(); }),
         "- | 还有 - | switch | nothing | 隐藏 | ✓高级"},
        {"advanced, at 1", advancedWith(0), "arm | 还有 take | switch | nothing | 隐藏 | ✓高级"},
        {"advanced, 1 taken", advancedWith(1), "arm | 还有 take | switch | nothing | 隐藏 | ✓高级"},
        {"advanced, 2 taken", advancedWith(2),
         "arm | 还有 take | ask-switch | nothing | 隐藏 | ✓高级"},
        {"advanced, 3 taken", with(advancedWith(3), [](Book& b) { b.eventCount = 4; }),
         "arm | 重设 ask-reset | ask-switch | nothing | 隐藏 | ✓高级"},
        {"advanced, 2 taken, 2 told", with(advancedWith(2), [](Book& b) { b.told(2); }),
         "arm | 还有 take | switch | nothing | 隐藏 | ✓高级"},
        {"advanced, 3 taken, 1 told",
         with(advancedWith(3),
              [](Book& b) {
                  b.eventCount = 4;
                  b.told(1);
              }),
         "arm | 重设 ask-reset | ask-switch | nothing | 隐藏 | ✓高级"},
        {"hidden", with(open(), [](Book& b) { b.setHidden(true); }),
         "arm | 重设 clear | - | - | 恢复 | ✓普通"},
        {"hidden mid-entry", with(advancedWith(2), [](Book& b) { b.setHidden(true); }),
         "arm | 还有 take | - | - | 恢复 | ✓高级"},
        {"shown again", with(open(), [](Book& b) { b.setHidden(true), b.setHidden(false); }),
         "arm | 重设 clear | nothing | switch | 隐藏 | ✓普通"},
        {"armed", with(open(), [](Book& b) { b.write(1, "9:00:00", "a"), b.arm(kNow); }),
         "- | 重设 - | - | - | 查询 | ✓普通"},
        {"armed, advanced",
         with(advancedWith(2), [](Book& b) { b.write(3, "7:00:00", "c"), b.arm(kNow); }),
         "- | 还有 - | - | - | 查询 | ✓高级"},
        {"armed after three taken",
         with(advancedWith(3), [](Book& b) { b.eventCount = 4, b.arm(kNow); }),
         "- | 重设 - | - | - | 查询 | ✓高级"},
        {"idle again",
         with(advancedWith(1),
              [](Book& b) {
                  b.arm(kNow);
                  b.told(1);
                  b.backToIdle();
                  b.startNormal();
              }),
         "arm | 重设 clear | nothing | switch | 隐藏 | ✓普通"},
        {"after a reset", with(advancedWith(3), [](Book& b) { b.eventCount = 4, b.restart(); }),
         "arm | 还有 take | switch | nothing | 隐藏 | ✓高级"},
    };
    for (const Case& c : cases) {
        const Offer o = c.book.offer();
        EXPECT_EQ(row(o), c.offer) << c.state;
        for (const Command& cmd : {o.confirm, o.left, o.normal, o.high})
            EXPECT_TRUE(cmd.enabled || cmd.does == Does::Nothing) << c.state;
    }
}

TEST(Offer, NormalDropsRemindersTwoAndThreeAndKeepsOne) {
    Book b = advancedWith(2);
    b.startNormal();
    EXPECT_EQ(b.slot(1), (Slot{"9:00:00", "r1"}));
    EXPECT_TRUE(b.slot(2).empty() && b.slot(3).empty());
    EXPECT_EQ(b.eventCount, 1);
    EXPECT_FALSE(b.advancedMode);
}

// Fields holding the third reminder of a full entry, as they do until 确定.
const Slot kThird{"9:45:00", "r3"};

Book fullEntry() {
    Book b = advancedWith(2);
    b.write(3, kThird.time, kThird.event);
    return b;
}

TEST(EntryTold, AThirdToldBeforeConfirmIsNotTakenAgainWhateverTheCount) {
    // Told behind the box that says the entry is full (the count still 3),
    // or after it (4): the same.
    for (const bool behindTheBox : {true, false}) {
        Book b = fullEntry();
        if (!behindTheBox) b.eventCount = 4;
        b.told(3);
        b.eventCount = 4;
        EXPECT_TRUE(b.slot(3).empty()) << behindTheBox;
        EXPECT_FALSE(b.takesFields(kThird)) << behindTheBox;
        EXPECT_TRUE(b.takesFields({kThird.time, "r3 changed"})) << behindTheBox;
        EXPECT_TRUE(b.takesFields({"10:45:00", kThird.event})) << behindTheBox;
        EXPECT_EQ(b.arm(kNow), 2) << behindTheBox;
        EXPECT_EQ(b.slot(1), (Slot{"9:00:00", "r1"}));
        EXPECT_EQ(b.slot(2), (Slot{"10:00:00", "r2"}));
    }
    // With nothing else to arm, the fields are checked as typed.
    Book b = fullEntry();
    b.eventCount = 4;
    for (const int k : {1, 2, 3}) b.told(k);
    EXPECT_TRUE(b.takesFields(kThird));
}

TEST(EntryTold, TheRecordEndsWithTheEntry) {
    const std::vector<std::pair<const char*, std::function<void(Book&)>>> ends = {
        {"armed", [](Book& b) { b.arm(kNow); }},
        {"reset", [](Book& b) { b.restart(); }},
        {"normal", [](Book& b) { b.startNormal(); }},
        {"advanced", [](Book& b) { b.advancedMode = false, b.startAdvanced(); }},
    };
    for (const auto& [name, end] : ends) {
        Book b = fullEntry();
        b.eventCount = 4;
        b.told(3);
        end(b);
        // The next entry stands at its third with the same fields.
        b.noneArmed = true;
        b.write(1, "11:00:00", "n1");
        b.write(2, "12:00:00", "n2");
        b.clear(3);
        b.eventCount = 3;
        EXPECT_TRUE(b.takesFields(kThird)) << name;
    }
}

}  // namespace
}  // namespace reminder
