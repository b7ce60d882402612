// A local time from its calendar parts, as the tests write their moments.
#pragma once

#include <chrono>

#include "reminder/clock_text.h"

namespace reminder {

inline LocalTime makeLocalTime(int year, unsigned month, unsigned day, int hour, int minute,
                               int second, int millisecond = 0) {
    using namespace std::chrono;
    const local_days date{std::chrono::year{year} / std::chrono::month{month} /
                          std::chrono::day{day}};
    return LocalTime{date} + hours{hour} + minutes{minute} + seconds{second} +
           milliseconds{millisecond};
}

}  // namespace reminder
