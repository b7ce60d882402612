// What testing.h tells of the timers on Windows.
#include <map>
#include <utility>

#include "platform/win32/impl.h"
#include "support/testing.h"

namespace platform::testing {

std::optional<std::chrono::milliseconds> armedTick(const Timer& timer) {
    return timer.impl().armedIn;
}

namespace {
std::map<UINT_PTR, std::function<void()>>& calls() {
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}
}  // namespace

// A thread timer with its own procedure: every message loop, a modal box's
// too, dispatches it.
void runFromEventLoop(std::function<void()> call) {
    const UINT_PTR id = SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        const auto found = calls().find(timer);
        if (found == calls().end()) return;
        const std::function<void()> run = std::move(found->second);
        calls().erase(found);
        run();
    });
    calls()[id] = std::move(call);
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
