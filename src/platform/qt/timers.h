#pragma once

namespace platform {

// Stops or restarts every timer's own ticking (tests tick them by hand).
void holdAllTimers(bool hold);

}  // namespace platform
