// What the tests ask of the process as a whole: its single instance out of
// reach, the memory it holds, and the session ending.
#include "platform/hooks.h"
#include "platform/win32/impl.h"
#include "support/testing.h"

#include <psapi.h>

namespace platform::testing {

void usePrivateFolders() {}  // the instance is a named mutex: no files

void setInstanceReachable(bool reachable) {
    // A later start looks for the program's message window by its name.
    const std::wstring key = win::wide(instanceKeyOverride());
    HWND h =
        FindWindowExW(HWND_MESSAGE, nullptr, L"TockmereInstance", reachable ? L"" : key.c_str());
    if (h) SetWindowTextW(h, reachable ? key.c_str() : L"");
}

std::size_t memoryInUse() {
    // Private bytes, as Windows counts them (the page-file usage); the
    // working set where the system does not count those.
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PagefileUsage ? counters.PagefileUsage : counters.WorkingSetSize;
}

void systemEndsProgram() {
    // As the system ends a session: each top-level window is asked, then told.
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    for (HWND h : windows) SendMessageW(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    for (HWND h : windows)
        if (IsWindow(h)) SendMessageW(h, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    processEvents();
}

}  // namespace platform::testing
