#include "entry.h"

namespace reminder {

using namespace std::chrono;

TimeFields prefill(LocalTime now) {
    const hh_mm_ss<minutes> hm{floor<minutes>(now - floor<days>(now))};
    int hour = static_cast<int>(hm.hours().count());
    int minute = static_cast<int>(hm.minutes().count()) + 1;
    if (minute > 59) {
        minute = 0;
        if (++hour > 23) hour = 0;
    }
    return {std::to_string(hour), std::to_string(minute)};
}

TimeCheck timeCheck(std::string_view hourText, std::string_view minuteText) {
    const int hour = fieldValue(hourText);
    const int minute = fieldValue(minuteText);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return {};
    std::string padded{minuteText};
    if (padded.size() < 2) padded.insert(padded.begin(), '0');
    return {true, padded};
}

}  // namespace reminder
