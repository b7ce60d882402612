#include "reminder/clock_text.h"
#include "support/local_time.h"

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace reminder {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

LocalTime at(int h, int m, int s, int ms = 0) {
    return makeLocalTime(2024, 5, 17, h, m, s, ms);
}

TEST(ClockText, HourWithoutLeadingZeroMinutesAndSecondsPadded) {
    EXPECT_EQ(clockText(at(0, 0, 5)), "0:00:05");
    EXPECT_EQ(clockText(at(23, 59, 59, 999)), "23:59:59");
    EXPECT_EQ(clockText(at(21, 30, 7, 500)), "21:30:07");
    EXPECT_EQ(clockText(makeLocalTime(2024, 2, 29, 10, 0, 1)), "10:00:01");
    // The clock has no zero before the hour; a due time may (it fires all the
    // same: the tick compares moments, not texts).
    EXPECT_EQ(clockText(at(7, 5, 0, 999)), dueTimeText("7", "05"));
    EXPECT_NE(clockText(at(7, 5, 0)), dueTimeText("07", "05"));
}

TEST(DueMoment, SpellsTodayAtThatTimeOrNothing) {
    const LocalTime today = at(0, 0, 0), leapDay = makeLocalTime(2024, 2, 29, 0, 0, 0);
    const std::vector<std::tuple<const char*, int, int, int>> cases = {
        {"9:05:00", 9, 5, 0},  {"09:05:00", 9, 5, 0}, {"9:5:0", 9, 5, 0},
        {"00:00:00", 0, 0, 0}, {"", 0, 0, 0},         {"23:59:59", 23, 59, 59}};
    for (const auto& [now, midnight] :
         {std::pair{today, today}, std::pair{at(23, 59, 59, 999), today},
          std::pair{leapDay + 12h, leapDay}})
        for (const auto& [text, h, m, s] : cases)
            EXPECT_EQ(dueMoment(text, now),
                      std::optional<LocalTime>{midnight + std::chrono::hours{h} +
                                               std::chrono::minutes{m} + std::chrono::seconds{s}})
                << text;
    // A text that spells no time gives nothing.
    const std::vector<std::vector<std::string>> bad = {
        {"a:05:00", "9:0a:00", "9:05:0x", "9.05.00"},             // letters, other marks
        {"\xEF\xBC\x99:05:00", "9:\xEF\xBC\x90\xEF\xBC\x95:00"},  // full-width digits
        {"009:05:00", "9:005:00", "9:05:000"},                    // three digits
        {":05:00", "9::00", "9:05:", "9:05", "9", ":", "::"},     // missing parts
        {"24:00:00", "9:60:00", "9:05:60", "99:99:99"},           // out of range
        {"9:05:00:", "9:05:00:00", ":9:05:00"},                   // extra colon
        {" 9:05:00", "9:05:00 ", "9 :05:00", "9: 5:00", " "},     // spaces
        {"+9:05:00", "-1:05:00", "9:05:0\0"s}};                   // signs, a NUL
    for (const auto& group : bad)
        for (const auto& text : group)
            EXPECT_EQ(dueMoment(text, at(12, 0, 0)), std::nullopt) << text;
}

TEST(TimePassed, StrictlyEarlierThanNowToTheMillisecond) {
    EXPECT_FALSE(timePassed("9:42:00", at(9, 42, 0, 0)));
    EXPECT_TRUE(timePassed("9:42:00", at(9, 42, 0, 1)));
    EXPECT_FALSE(timePassed("9:42:00", at(9, 41, 59, 999)));
    EXPECT_FALSE(timePassed("23:59:00", at(23, 58, 30)));
    EXPECT_TRUE(timePassed("23:59:00", at(23, 59, 1)));
    EXPECT_TRUE(timePassed("", at(0, 0, 0, 1)));
    // No date in the text: after midnight means today, which is long gone.
    EXPECT_TRUE(timePassed("0:30:00", at(23, 50, 0)));
    EXPECT_FALSE(timePassed("23:50:00", at(0, 30, 0)));
    // A text that spells no time counts as passed.
    for (const char* text : {"24:00:00", "9:60:00", ":05:00", "9:05", "ab:cd:00"})
        EXPECT_TRUE(timePassed(text, at(0, 0, 0))) << text;
}

TEST(DueCrossed, FiresOnceWhenTheDueMomentFallsWithinTheInterval) {
    struct Case {
        const char* due;
        LocalTime previous, now;
        bool fires;
    };
    const LocalTime nextDay = at(0, 0, 0) + 24h;
    const std::vector<Case> cases{
        {"9:42:00", at(9, 41, 59, 500), at(9, 42, 0, 0), true},    // at the instant
        {"9:42:00", at(9, 42, 0, 0), at(9, 42, 0, 500), false},    // already seen
        {"9:42:00", at(9, 41, 59, 0), at(9, 41, 59, 999), false},  // not yet
        {"07:05:00", at(7, 4, 59, 900), at(7, 5, 0, 400), true},   // leading zero
        {"9:42:00", at(8, 0, 0), at(13, 0, 0), true},              // a long gap
        {"23:59:00", at(23, 58, 59, 800), nextDay + 2s, true},     // across midnight
        {"0:00:00", at(23, 59, 59, 800), nextDay + 300ms, true},   // midnight itself
        {"12:00:00", at(23, 0, 0), nextDay + 25h, true},           // a day asleep
        {"9:42:00", at(10, 0, 0), at(9, 0, 0), false},             // clock set back
        {"9:42:00", at(9, 42, 30), at(9, 41, 0), false},           // back across it
        {"", at(23, 59, 59), nextDay + 1s, false},                 // empty never fires
        {"9:60:00", at(9, 0, 0), at(11, 0, 0), false},             // not a time of day
        {"9:5:00", at(9, 0, 0), at(9, 6, 0), true},                // one-digit minute
    };
    for (const Case& c : cases)
        EXPECT_EQ(dueCrossed(c.due, c.previous, c.now), c.fires)
            << c.due << " between " << clockText(c.previous) << " and " << clockText(c.now);
}

}  // namespace
}  // namespace reminder
