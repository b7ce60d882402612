#pragma once

#include "platform/types.h"

namespace platform {

// True when the window owns a tray icon but there is no notification area to
// show it in, so that hiding the window would leave it out of reach.
bool trayNeedsTaskbar(Handle owner);
bool trayAvailable();
// The icons of a window that goes away go with it.
void forgetTrayIcons(Handle owner);
// Calls `changed` whenever an X11 notification area starts or ends; false
// where the display is not X11.
bool watchX11Tray(void (*changed)());

}  // namespace platform
