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
    bool operator==(const Slot&) const = default;
};

// What a command does when it is chosen, as the book stands.
enum class Does {
    Nothing,
    Arm,        // 确定: takes the fields as the last reminder and arms the entry
    Clear,      // 重设 of the normal mode: empties the entry without asking
    Take,       // 还有: takes the fields as the next reminder
    AskReset,   // 重设 with three taken: asks, then drops them and starts again
    Switch,     // 普通 or 高级: to that mode
    AskSwitch,  // 普通 with reminders 2 or 3 taken: asks as 重设 does, then switches
};

struct Command {
    bool enabled = false;
    Does does = Does::Nothing;  // Nothing while disabled
    bool operator==(const Command&) const = default;
};

// What the entry offers: the two buttons, the menu's items and its mark.
struct Offer {
    Command confirm;            // 确定
    Command left;               // 还有 or 重设
    bool leftSaysMore = false;  // its caption: 还有, else 重设
    Command normal;             // 普通
    Command high;               // 高级
    bool normalChecked = true;  // the mark on 普通, else on 高级
    bool query = false;         // 查询
    bool restore = false;       // 恢复
    bool hide = false;          // 隐藏
    bool operator==(const Offer&) const = default;
};

class Book {
public:
    // What each command of the entry may do now. The windows show it and
    // ask it; nothing else decides.
    Offer offer() const;

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

    // The entry's steps. Each changes the book only; the windows show the
    // offer that follows.
    // The message field found a time still to come: from then on the
    // buttons take commands whenever nothing is armed.
    void openEntry() { entryOpen_ = true; }
    // 高级: an entry of up to three begins at reminder 1; the slots keep
    // what they hold until the entry overwrites them.
    void startAdvanced();
    // 普通: reminders 2 and 3 are dropped, reminder 1 is kept.
    void startNormal();
    // 重设 after three taken: all are dropped, the entry begins again at 1.
    void restart();
    // 确定, once the fields were taken or left: closes the gaps told
    // reminders left, orders and arms what remains; gives how many.
    int arm(LocalTime now);
    // The last armed reminder was told: the entry is open again, at 1.
    void backToIdle();
    // The question of 重设 or 普通 is open: the modes wait for its answer,
    // so that the menu never asks it a second time.
    void setAsking(bool asking) { asking_ = asking; }
    // 隐藏 and the window shown again (恢复, or a reminder told).
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool hidden() const { return hidden_; }

    // A reminder's box was shown: its slot empties. It is remembered until
    // the entry ends (whatever reminder was being entered, behind whatever
    // box it was told), so that fields still holding it are not taken again
    // by 确定. One told while armed is forgotten when the book is idle again.
    void told(int k);
    // Whether 确定 takes these fields as reminder confirmSlot(): not when
    // they hold that reminder, told during this entry, while others wait to
    // be armed; with nothing else to arm they are checked as typed.
    bool takesFields(const Slot& fields) const;

    // Moves the filled slots among 1..k, in their order, to the front and
    // empties the rest of the book; gives how many are filled. A slot told
    // during the entry is empty and so is neither armed nor counted.
    int closeUp(int k);

    // The slots the tick watches: 1 to eventCount, and all three while the
    // third entered reminder waits for the confirm command.
    int watched() const { return eventCount == 4 ? 3 : eventCount; }
    // The watched slot whose due moment lies in (previous, now] and comes
    // first, taken reminders as armed ones; 0 when none does.
    int nextCrossed(LocalTime previous, LocalTime now) const;

    std::int16_t eventCount = 1;  // reminder being entered (1-4), or number armed (1-3)
    bool advancedMode = false;
    bool noneArmed = true;

private:
    void endEntry() { told_ = {}; }

    std::array<Slot, 3> slots_{};
    std::array<Slot, 3> told_{};    // reminders told during the entry, by slot
    bool entryOpen_ = false;        // the buttons take commands while nothing is armed
    bool hidden_ = false;           // put away with 隐藏
    bool asking_ = false;           // the reset question is open
    bool armedSayingMore_ = false;  // the left button read 还有 as 确定 armed
};

}  // namespace reminder
