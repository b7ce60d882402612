#include "reminder/entry.h"
#include "support/local_time.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace reminder {
namespace {

using namespace std::string_literals;

TEST(Prefill, GivesTheNextMinuteWithoutLeadingZeros) {
    const std::vector<std::tuple<int, int, int, int, const char*>> cases = {
        {9, 41, 0, 0, "9:42"},  {9, 59, 0, 0, "10:0"},    {23, 59, 0, 0, "0:0"},
        {0, 0, 0, 0, "0:1"},    {9, 41, 59, 999, "9:42"}, {23, 59, 59, 999, "0:0"},
        {12, 8, 30, 0, "12:9"}, {19, 58, 0, 0, "19:59"}};
    for (const auto& [h, m, s, ms, expected] : cases) {
        const auto fields = prefill(makeLocalTime(2024, 2, 29, h, m, s, ms));
        EXPECT_EQ(fields.hour + ":" + fields.minute, expected)
            << h << ":" << m << ":" << s << "." << ms;
    }
}

TEST(TimeCheck, TakesOnlyAnHourAndMinuteOfTheClockAndPadsTheMinute) {
    // Each text is refused as the hour and as the minute; the last four are a
    // full-width one, a two-byte letter, an Arabic-Indic three and a NUL.
    const std::vector<std::string> neverTime = {
        "",   "a",   "3b", " 9",           " ",        ":",        "+1",
        "-1", "009", "99", "\xEF\xBC\x91", "\xC3\xA9", "\xD9\xA3", "9\0"s};
    for (const auto& text : neverTime) {
        EXPECT_FALSE(timeCheck(text, "30").valid) << "hour '" << text << "'";
        EXPECT_FALSE(timeCheck("9", text).valid) << "minute '" << text << "'";
    }
    EXPECT_FALSE(timeCheck("24", "00").valid);
    EXPECT_FALSE(timeCheck("9", "60").valid);
    EXPECT_FALSE(timeCheck("", "").valid);
    // Clock times are taken, a single-digit minute padded.
    const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
        {"9", "5", "05"},   {"9", "05", "05"},  {"0", "0", "00"},  {"0", "00", "00"},
        {"09", "30", "30"}, {"23", "59", "59"}, {"00", "9", "09"}, {"7", "10", "10"}};
    for (const auto& [hour, minute, padded] : cases) {
        const auto check = timeCheck(hour, minute);
        ASSERT_TRUE(check.valid) << hour << ":" << minute;
        EXPECT_EQ(check.minute, padded) << hour << ":" << minute;
        // A second check of the padded minute leaves it as it is.
        EXPECT_EQ(timeCheck(hour, check.minute).minute, padded);
    }
}

}  // namespace
}  // namespace reminder
