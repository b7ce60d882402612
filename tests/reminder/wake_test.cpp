#include "reminder/wake.h"
#include "support/local_time.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace reminder {
namespace {

using std::chrono::milliseconds;

LocalTime onDay(int day, int hour, int minute, int second, int ms = 0) {
    return makeLocalTime(2026, 3, static_cast<unsigned>(day), hour, minute, second, ms);
}

struct Case {
    const char* what;
    std::array<const char*, 3> times;  // due-time texts of slots 1-3
    int eventCount;
    LocalTime lastTick;
    std::optional<LocalTime> wake;
};

// The slots' due times, the entry state and the last tick's reading, and
// the moment the hidden window's tick must next run.
TEST(NextWake, IsTheFirstMomentTheFireRuleTellsAReminder) {
    // clang-format off
    const Case cases[] = {
        {"an hour ahead", {"10:42:00", "", ""}, 1, onDay(8, 9, 42, 0, 3), onDay(8, 10, 42, 0)},
        {"leading zeros", {"09:05:00", "", ""}, 1, onDay(8, 9, 0, 0), onDay(8, 9, 5, 0)},
        {"earlier today: tomorrow", {"9:00:00", "", ""}, 1, onDay(8, 9, 30, 0), onDay(9, 9, 0, 0)},
        {"told at this very tick: tomorrow", {"9:30:00", "", ""}, 1, onDay(8, 9, 30, 0), onDay(9, 9, 30, 0)},
        {"a millisecond before it", {"9:30:00", "", ""}, 1, onDay(8, 9, 29, 59, 999), onDay(8, 9, 30, 0)},
        {"midnight, just before it", {"0:00:00", "", ""}, 1, onDay(8, 23, 59, 59, 500), onDay(9, 0, 0, 0)},
        {"just after midnight", {"23:59:00", "", ""}, 1, onDay(9, 0, 0, 0, 200), onDay(9, 23, 59, 0)},
        {"clock set back past it", {"9:00:00", "", ""}, 1, onDay(8, 7, 15, 0), onDay(8, 9, 0, 0)},
        {"clock set forward past it", {"9:00:00", "", ""}, 1, onDay(8, 11, 0, 0), onDay(9, 9, 0, 0)},
        {"three armed, the second first", {"14:00:00", "10:00:00", "12:00:00"}, 3, onDay(8, 9, 0, 0), onDay(8, 10, 0, 0)},
        {"three armed, one passed", {"8:00:00", "13:00:00", "11:00:00"}, 3, onDay(8, 9, 0, 0), onDay(8, 11, 0, 0)},
        {"two armed, a third unwatched", {"14:00:00", "12:00:00", "10:00:00"}, 2, onDay(8, 9, 0, 0), onDay(8, 12, 0, 0)},
        {"the third entered, watched before confirming", {"14:00:00", "12:00:00", "10:00:00"}, 4, onDay(8, 9, 0, 0), onDay(8, 10, 0, 0)},
        {"the first told, the others wait", {"", "12:00:00", "11:00:00"}, 3, onDay(8, 10, 0, 0), onDay(8, 11, 0, 0)},
        {"all told", {"", "", ""}, 3, onDay(8, 10, 0, 0), std::nullopt},
        {"nothing entered", {"", "", ""}, 1, onDay(8, 10, 0, 0), std::nullopt},
        {"a text that spells no time", {"24:00:00", "9:61:00", ""}, 2, onDay(8, 10, 0, 0), std::nullopt},
    };
    // clang-format on
    for (const Case& c : cases) {
        Book book;
        for (int k = 1; k <= 3; ++k)
            if (*c.times[static_cast<std::size_t>(k - 1)])
                book.write(k, c.times[static_cast<std::size_t>(k - 1)], "x");
        book.eventCount = static_cast<std::int16_t>(c.eventCount);
        const auto wake = nextWake(book, c.lastTick);
        EXPECT_EQ(wake, c.wake) << c.what;
        if (!wake) continue;
        // A tick a millisecond before the moment tells nothing; one at it tells.
        bool toldBefore = false, toldAt = false;
        for (int k = 1; k <= book.watched(); ++k) {
            toldBefore |= dueCrossed(book.slot(k).time, c.lastTick, *wake - milliseconds{1});
            toldAt |= dueCrossed(book.slot(k).time, c.lastTick, *wake);
        }
        EXPECT_FALSE(toldBefore) << c.what;
        EXPECT_TRUE(toldAt) << c.what;
    }
}

}  // namespace
}  // namespace reminder
