#pragma once

#include "platform/testing.h"

namespace platform {

// Where the tests' watcher is kept; set through testing::watchMessageBoxes.
void setBoxWatcher(testing::BoxWatcher watcher);
// Likewise for pop-up menus, through testing::watchMenus.
void setMenuWatcher(testing::MenuWatcher watcher);

}  // namespace platform
