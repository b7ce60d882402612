#include "wake.h"

namespace reminder {

std::optional<LocalTime> nextWake(const Book& book, LocalTime lastTick) {
    std::optional<LocalTime> earliest;
    for (int k = 1; k <= book.watched(); ++k) {
        const auto due = nextOccurrence(book.slot(k).time, lastTick);
        if (due && (!earliest || *due < *earliest)) earliest = due;
    }
    return earliest;
}

}  // namespace reminder
