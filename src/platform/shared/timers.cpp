#include "platform/shared/timers.h"

#include <chrono>

#include "platform/system.h"

namespace platform {

namespace {
long long intoPeriod(int interval) {
    using namespace std::chrono;
    return duration_cast<milliseconds>(now().time_since_epoch()).count() % interval;
}
}  // namespace

int untilNextBoundary(int interval) {
    return static_cast<int>(interval - intoPeriod(interval)) + 1;
}

bool justAfterBoundary(int interval, int slack) {
    return intoPeriod(interval) <= slack;
}

}  // namespace platform
