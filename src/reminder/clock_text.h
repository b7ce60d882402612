// Texts and moments of the time of day: the due-time text a slot stores, the
// clock text the tick shows, and the rule that says whether a time has passed.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace reminder {

// Local wall-clock time as the system reports it, to the millisecond.
using LocalTime = std::chrono::local_time<std::chrono::milliseconds>;

// Hour text + ":" + minute text + ":00", both texts taken unchanged.
std::string dueTimeText(std::string_view hourText, std::string_view minuteText);

// The time of day as H:mm:ss on the 24-hour clock, hour without a leading zero.
std::string clockText(LocalTime now);

// Today (the date of `now`) at the time of day a due-time text spells. Leading
// zeros are allowed; the empty text is midnight. Any other text that does not
// spell a time of day (hour 0-23, minute 0-59, second 0-59, one or two ASCII
// digits each, three parts) gives no moment.
std::optional<LocalTime> dueMoment(std::string_view dueText, LocalTime now);

// True when the due moment is strictly earlier than `now`. A text that spells
// no time of day counts as passed, so it is never accepted as a new reminder.
bool timePassed(std::string_view dueText, LocalTime now);

// The first moment after `after` at the time of day a due-time text spells:
// today's, or tomorrow's once today's is not later. None for the empty text
// and for a text that spells no time of day.
std::optional<LocalTime> nextOccurrence(std::string_view dueText, LocalTime after);

// The fire rule: true when the due moment of a slot has been crossed between
// two readings of the clock, that is, when its next occurrence after
// `previous` is at or before `now`. The empty text, and a text that spells no
// time of day, never fire. A clock set back crosses nothing.
bool dueCrossed(std::string_view dueText, LocalTime previous, LocalTime now);

// True when a field holds one or two ASCII digits and nothing else.
bool isTimeFieldText(std::string_view text);

// The number one or two ASCII digits spell, or -1 for any other text.
int fieldValue(std::string_view text);

// True when every byte of the text is an ASCII digit (the empty text too).
bool isAllDigits(std::string_view text);

}  // namespace reminder
