// What testing.h tells of the timers on Qt.
#include <QCoreApplication>
#include <QTimer>

#include "platform/qt/impl.h"
#include "support/testing.h"

namespace platform::testing {

std::optional<std::chrono::milliseconds> armedTick(const Timer& timer) {
    return timer.impl().armedIn;
}

void runFromEventLoop(std::function<void()> call) {
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(call));
}

void announceClockSet() {
    // What the timerfd's cancel-on-set says.
    noticeClockChange();
}

}  // namespace platform::testing
