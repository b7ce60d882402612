// The arithmetic behind the hour and minute fields: the prefill with the next
// minute and the check that both commands begin with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "clock_text.h"

namespace reminder {

struct TimeFields {
    std::string hour;
    std::string minute;
};

// The next minute after `now`: 9:41 gives 9 and 42, 9:59 gives 10 and 0,
// 23:59 gives 0 and 0.
TimeFields prefill(LocalTime now);

// The hour and minute texts a due-time text was made of ("9:05:00" gives 9
// and 05); nothing for a text that has no hour and minute.
std::optional<TimeFields> fieldsOf(std::string_view dueText);

// The time check. Not valid when the hour or the minute field is empty, holds
// anything but one or two ASCII digits, or reads above 23 or 59. When valid,
// `minute` is the minute field's text with a 0 put in front of a single digit.
struct TimeCheck {
    bool valid = false;
    std::string minute;
};
TimeCheck timeCheck(std::string_view hourText, std::string_view minuteText);

}  // namespace reminder
