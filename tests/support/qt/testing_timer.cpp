// What testing.h tells of the timers on Qt.
#include "platform/qt/impl.h"
#include "support/testing.h"

namespace platform::testing {

std::optional<std::chrono::milliseconds> armedTick(const Timer& timer) {
    return timer.impl().armedIn;
}

void announceClockSet() {
    // What the timerfd's cancel-on-set says.
    noticeClockChange();
}

}  // namespace platform::testing
