#include "platform/shared/timers.h"

#include <chrono>

#include "platform/system.h"

namespace platform {

int untilNextBoundary(int interval) {
    using namespace std::chrono;
    const auto t = now().time_since_epoch();
    const long long intoPeriod = duration_cast<milliseconds>(t).count() % interval;
    return static_cast<int>(interval - intoPeriod) + 1;
}

}  // namespace platform
