#pragma once

#include "platform/testing.h"

namespace platform {

// Where the tests' watcher is kept; set through testing::watchMessageBoxes.
void setBoxWatcher(testing::BoxWatcher watcher);

}  // namespace platform
