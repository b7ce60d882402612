#pragma once

#include "platform/types.h"

namespace platform {

// True when the window owns a tray icon but there is no notification area to
// show it in, so that hiding the window would leave it out of reach.
bool trayNeedsTaskbar(Handle owner);

// The tests' say over whether a notification area is there.
void overrideTrayAvailable(int available);  // 1 yes, 0 no, -1 ask the desktop

}  // namespace platform

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/declared.h"

namespace platform {

// What the tests see of the tray and how they click it: the icon's mouse
// message goes the way the shell would send it.
bool trayAvailable();
// The icons of a window that goes away go with it.
void forgetTrayIcons(Handle owner);
// The calls of Shell_NotifyIconA so far, as they came.
const std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>>& notifyLog();
bool sendTrayMouse(Handle owner, LongPtr mouseMessage);
std::optional<std::string> trayTipOf(Handle owner);  // none when there is no icon

}  // namespace platform
