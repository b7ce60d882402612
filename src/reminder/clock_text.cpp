#include "clock_text.h"

#include <array>

namespace reminder {

using namespace std::chrono;

std::string dueTimeText(std::string_view hourText, std::string_view minuteText) {
    std::string text;
    text.reserve(hourText.size() + minuteText.size() + 4);
    text.append(hourText).append(":").append(minuteText).append(":00");
    return text;
}

std::string clockText(LocalTime now) {
    const auto sinceMidnight = floor<seconds>(now - floor<days>(now));
    const hh_mm_ss<seconds> hms{sinceMidnight};
    const auto two = [](long v) {
        return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    };
    return std::to_string(hms.hours().count()) + ":" + two(hms.minutes().count()) + ":" +
           two(hms.seconds().count());
}

bool isAllDigits(std::string_view text) {
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool isTimeFieldText(std::string_view text) {
    return !text.empty() && text.size() <= 2 && isAllDigits(text);
}

int fieldValue(std::string_view text) {
    if (!isTimeFieldText(text)) return -1;
    int value = 0;
    for (const char c : text) value = value * 10 + (c - '0');
    return value;
}

std::optional<LocalTime> dueMoment(std::string_view dueText, LocalTime now) {
    const LocalTime midnight{floor<days>(now)};
    if (dueText.empty()) return midnight;
    std::array<int, 3> parts{};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t colon = dueText.find(':', start);
        const bool last = i == 2;
        if (last != (colon == std::string_view::npos)) return std::nullopt;
        parts[static_cast<std::size_t>(i)] =
            fieldValue(dueText.substr(start, last ? std::string_view::npos : colon - start));
        start = colon + 1;
    }
    const auto [h, m, s] = parts;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return std::nullopt;
    return midnight + hours{h} + minutes{m} + seconds{s};
}

std::optional<LocalTime> nextOccurrence(std::string_view dueText, LocalTime after) {
    if (dueText.empty()) return std::nullopt;
    auto next = dueMoment(dueText, after);
    if (next && *next <= after) *next += days{1};
    return next;
}

bool dueCrossed(std::string_view dueText, LocalTime previous, LocalTime now) {
    const auto next = nextOccurrence(dueText, previous);
    return next && *next <= now;
}

bool timePassed(std::string_view dueText, LocalTime now) {
    const auto due = dueMoment(dueText, now);
    return !due || *due < now;
}

}  // namespace reminder
