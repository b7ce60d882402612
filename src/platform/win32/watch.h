#pragma once

#include "platform/testing.h"

namespace platform {

// Where the tests' watchers are kept; set through platform/testing.h.
void setBoxWatcher(testing::BoxWatcher watcher);
void setMenuWatcher(testing::MenuWatcher watcher);
void holdAllTimers(bool hold);
void setClockOverride(std::function<LocalTime()> clock);
void overrideTrayAvailable(int available);
bool sendTrayMouse(HWND owner, LongPtr mouseMessage);
std::optional<std::string> trayTipOf(HWND owner);
const std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>>& notifyLog();

}  // namespace platform
