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

std::optional<TimeFields> fieldsOf(std::string_view dueText) {
    const auto first = dueText.find(':');
    if (first == std::string_view::npos || first == 0) return std::nullopt;
    const auto second = dueText.find(':', first + 1);
    if (second == std::string_view::npos || second == first + 1) return std::nullopt;
    return TimeFields{std::string{dueText.substr(0, first)},
                      std::string{dueText.substr(first + 1, second - first - 1)}};
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
