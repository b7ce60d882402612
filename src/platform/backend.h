// What the code shared by the backends and each backend give one another:
// the state the tests set, kept in one place, and the few things of the
// tray and the timers that the tests reach through testing.h.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/declared.h"
#include "platform/testing.h"
#include "platform/types.h"

namespace platform {

// Set by the tests, read by the backend; empty in the program.
std::function<LocalTime()>& clockOverride();
testing::BoxWatcher& boxWatcher();
testing::MenuWatcher& menuWatcher();

// Given by each backend.
void holdAllTimers(bool hold);
void overrideTrayAvailable(int available);  // 1 yes, 0 no, -1 ask the desktop
bool sendTrayMouse(Handle owner, LongPtr mouseMessage);
std::optional<std::string> trayTipOf(Handle owner);  // none when there is no icon
const std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>>& notifyLog();

}  // namespace platform
