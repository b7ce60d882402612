// What the timers of both backends share.
#pragma once

namespace platform {

// Milliseconds to the next whole multiple of the interval on the local clock,
// so that a 500 ms timer ticks just after every full and half second and a
// time of day is seen within a few milliseconds of its coming.
int untilNextBoundary(int interval);

// Whether a tick that comes now falls just after a whole multiple of the
// interval (within `slack` ms): a periodic timer that ticks so is left to
// run; one that has drifted is aimed at the next boundary again.
bool justAfterBoundary(int interval, int slack);

}  // namespace platform
