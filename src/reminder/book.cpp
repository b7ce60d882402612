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

}  // namespace reminder
