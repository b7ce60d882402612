// When the tick must next run while nobody looks at the clock: the one rule
// the window follows to let its timer sleep while it is hidden.
#pragma once

#include <optional>

#include "book.h"
#include "clock_text.h"

namespace reminder {

// The moment at which the next watched reminder falls due, by the fire rule,
// for a tick that last read the clock at `lastTick`: the earliest next
// occurrence of a watched slot's due time after that reading. A clock set,
// a zone changed or a machine resumed in between is the timer's to notice;
// a tick then asks again. None when no watched slot has a due time.
std::optional<LocalTime> nextWake(const Book& book, LocalTime lastTick);

}  // namespace reminder
