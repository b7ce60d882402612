// The hooks by which the program is driven and read from outside it (by its
// tests, tests/support/): values the backends read in place of the system's,
// who answers a message box or a pop-up menu in place of a person, and what
// the tray was handed. Each is empty or neutral in the program, which then
// asks the system. Only standard types and the program's own ones here.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/declared.h"
#include "platform/menu.h"
#include "platform/types.h"

namespace platform {

// Set by the tests, read by the backend; empty in the program.
std::function<LocalTime()>& clockOverride();
// Called while a message box is open, from inside its event loop: gives the
// caption of the button to press.
using BoxSeam = std::function<std::string(const std::string& prompt, const std::string& title,
                                          const std::vector<std::string>& buttons, bool hasIcon)>;
BoxSeam& boxWatcher();
// Called as a pop-up menu opens, with its items: gives the caption of the
// item to choose, or "" to close the menu without a choice.
using MenuSeam = std::function<std::string(const std::vector<const MenuItem*>& items)>;
MenuSeam& menuWatcher();
// With menuWatcher set: the enabled item among these that it chooses, if any.
MenuItem* watchedMenuChoice(const std::vector<std::unique_ptr<MenuItem>>& items);
// Whether keys under HKEY_LOCAL_MACHINE open with rights to change them:
// 1 yes, 0 no (a user who is not elevated), -1 as the system decides.
int& localMachineWritable();
// The rights of a registry access mask that would change a key.
inline constexpr std::uint32_t kRegistryWriteRights =
    0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

// The name of the program's one place in the desktop session; empty in the
// program, which takes the user's and the session's. Tests give their own.
std::string& instanceKeyOverride();

// Dots per inch the backend converts twips with and sizes fonts at, in
// place of the screen's; 0 in the program.
int& dpiOverride();

// Called with each record the program hands Shell_NotifyIconA, as it was
// handed over; empty in the program.
using NotifySeam = std::function<void(std::uint32_t message, const NOTIFYICONDATAA& data)>;
NotifySeam& notifyWatcher();

// How many times a later start has found the running program out of reach
// and looked again; the tests read it.
std::atomic<int>& firstUnreached();

// Called in place of a reminder's sound; empty in the program.
std::function<void()>& soundWatcher();

// Given by each backend.
void holdAllTimers(bool hold);
void overrideTrayAvailable(int available);  // 1 yes, 0 no, -1 ask the desktop
bool sendTrayMouse(Handle owner, LongPtr mouseMessage);
std::optional<std::string> trayTipOf(Handle owner);  // none when there is no icon

}  // namespace platform
