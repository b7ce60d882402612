// The state the tests set through testing.h; see test_seams.h.
#include "platform/test_seams.h"

namespace platform {

std::function<LocalTime()>& clockOverride() {
    static std::function<LocalTime()> clock;
    return clock;
}

BoxSeam& boxWatcher() {
    static BoxSeam watcher;
    return watcher;
}

int& dpiOverride() {
    static int dpi = 0;
    return dpi;
}

int& localMachineWritable() {
    static int writable = -1;
    return writable;
}

MenuSeam& menuWatcher() {
    static MenuSeam watcher;
    return watcher;
}

}  // namespace platform
