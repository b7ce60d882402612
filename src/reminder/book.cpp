#include "book.h"

#include <cassert>
#include <utility>

namespace reminder {

namespace {
std::size_t index(int k) {
    assert(k >= 1 && k <= 3);
    return static_cast<std::size_t>(k - 1);
}
}  // namespace

const Slot& Book::slot(int k) const {
    return slots_[index(k)];
}

void Book::write(int k, std::string time, std::string event) {
    slots_[index(k)] = Slot{std::move(time), std::move(event)};
}

void Book::clear(int k) {
    slots_[index(k)] = Slot{};
}

void Book::swap(int a, int b) {
    std::swap(slots_[index(a)], slots_[index(b)]);
}

void Book::orderSlots(int k, LocalTime now) {
    // A slot whose text spells no moment sorts as midnight, like an empty one.
    const auto moment = [&](int n) {
        return dueMoment(slot(n).time, now).value_or(*dueMoment("", now));
    };
    const auto step = [&](int first, int later) {
        if (moment(later) < moment(first)) swap(first, later);
    };
    if (k >= 2) step(1, 2);
    if (k == 3) {
        step(1, 3);
        step(2, 3);
    }
}

int Book::closeUp(int k) {
    int filled = 0;
    for (int n = 1; n <= 3; ++n) {
        if (n > k || slot(n).time.empty()) continue;
        if (++filled != n) swap(filled, n);
    }
    for (int n = filled + 1; n <= 3; ++n) clear(n);
    return filled;
}

Offer Book::offer() const {
    Offer o;
    o.normalChecked = !advancedMode;
    // Armed, the left button keeps the caption it had when 确定 was pressed.
    o.leftSaysMore = noneArmed ? advancedMode && eventCount < 4 : armedSayingMore_;
    o.query = !noneArmed;
    // Armed, the window waits in the notification area whatever put it there.
    o.restore = hidden_ && noneArmed;
    o.hide = noneArmed && !hidden_;
    // While armed the entry waits: its commands would change reminders the
    // tick is watching (the window can come back from the task bar).
    if (noneArmed && entryOpen_) {
        o.confirm = {true, Does::Arm};
        o.left = {true, !advancedMode ? Does::Clear : eventCount < 4 ? Does::Take : Does::AskReset};
    }
    // The mode is chosen while the window is in use, nothing is armed and
    // no question waits.
    if (noneArmed && !hidden_ && !asking_) {
        const bool taken = !slot(2).time.empty() || !slot(3).time.empty();
        o.normal = {true, !advancedMode ? Does::Nothing : taken ? Does::AskSwitch : Does::Switch};
        o.high = {true, advancedMode ? Does::Nothing : Does::Switch};
    }
    return o;
}

int Book::nextCrossed(LocalTime previous, LocalTime now) const {
    int first = 0;
    for (int k = 1; k <= watched(); ++k) {
        if (!dueCrossed(slot(k).time, previous, now)) continue;
        if (first == 0 || dueMoment(slot(k).time, now) < dueMoment(slot(first).time, now))
            first = k;
    }
    return first;
}

void Book::startAdvanced() {
    advancedMode = true;
    eventCount = 1;
    endEntry();
}

void Book::startNormal() {
    clear(2);
    clear(3);
    eventCount = 1;
    advancedMode = false;
    endEntry();
}

void Book::restart() {
    for (int k = 1; k <= 3; ++k) clear(k);
    eventCount = 1;
    endEntry();
}

int Book::arm(LocalTime now) {
    armedSayingMore_ = advancedMode && eventCount < 4;
    const int armed = closeUp(confirmSlot());
    if (armed > 1) orderSlots(armed, now);
    noneArmed = false;
    eventCount = static_cast<std::int16_t>(armed);
    endEntry();
    return armed;
}

void Book::backToIdle() {
    eventCount = 1;
    noneArmed = true;
    hidden_ = false;
    endEntry();
}

void Book::told(int k) {
    told_[index(k)] = slot(k);
    clear(k);
}

bool Book::takesFields(const Slot& fields) const {
    const int k = confirmSlot();
    if (!slot(k).empty() || fields.time.empty() || told_[index(k)] != fields) return true;
    for (int n = 1; n < k; ++n)
        if (!slot(n).time.empty()) return false;
    return true;
}

}  // namespace reminder
