// What testing.h tells of the timers on Windows.
#include "platform/win32/impl.h"
#include "support/testing.h"

namespace platform::testing {

std::optional<std::chrono::milliseconds> armedTick(const Timer& timer) {
    return timer.impl().armedIn;
}

void announceClockSet() {
    // As the system tells every top-level window, hidden ones too.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            SendMessageW(window, WM_TIMECHANGE, 0, 0);
            return TRUE;
        },
        0);
}

}  // namespace platform::testing
