// The reminder book: three slots and the entry state. It is the program's
// whole memory and lives only as long as the process.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "clock_text.h"

namespace reminder {

struct Slot {
    std::string time;   // due-time text; empty means unset
    std::string event;  // message as typed
    bool empty() const { return time.empty() && event.empty(); }
};

class Book {
public:
    // Slots are numbered 1 to 3.
    const Slot& slot(int k) const;
    void write(int k, std::string time, std::string event);
    void clear(int k);
    void swap(int a, int b);

    // The slot the confirm command writes for the current eventCount.
    int confirmSlot() const { return eventCount >= 3 ? 3 : eventCount; }

    // Orders slots 1..k (k = 2 or 3) by due moment with the fixed
    // compare-and-swap steps; equal moments never swap within a step.
    void orderSlots(int k, LocalTime now);

    // Moves the filled slots among 1..k, in their order, to the front and
    // empties the rest of the book; gives how many are filled. A slot told
    // during the entry is empty and so is neither armed nor counted.
    int closeUp(int k);

    // The slots the tick watches: 1 to eventCount, and all three while the
    // third entered reminder waits for the confirm command.
    int watched() const { return eventCount == 4 ? 3 : eventCount; }

    std::int16_t eventCount = 1;  // reminder being entered (1-4), or number armed (1-3)
    bool advancedMode = false;
    bool noneArmed = true;

private:
    std::array<Slot, 3> slots_{};
};

}  // namespace reminder
