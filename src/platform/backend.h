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
// Whether keys under HKEY_LOCAL_MACHINE open with rights to change them:
// 1 yes, 0 no (a user who is not elevated), -1 as the system decides.
int& localMachineWritable();
// The rights of a registry access mask that would change a key.
inline constexpr std::uint32_t kRegistryWriteRights =
    0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

// Dots per inch the backend converts twips with and sizes fonts at, in
// place of the screen's; 0 in the program.
int& dpiOverride();

// Given by each backend.
void holdAllTimers(bool hold);
void overrideTrayAvailable(int available);  // 1 yes, 0 no, -1 ask the desktop
bool sendTrayMouse(Handle owner, LongPtr mouseMessage);
std::optional<std::string> trayTipOf(Handle owner);  // none when there is no icon
const std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>>& notifyLog();

}  // namespace platform
