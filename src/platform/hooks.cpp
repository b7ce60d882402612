#include "platform/backend.h"

namespace platform {

std::function<LocalTime()>& clockOverride() {
    static std::function<LocalTime()> clock;
    return clock;
}

testing::BoxWatcher& boxWatcher() {
    static testing::BoxWatcher watcher;
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

testing::MenuWatcher& menuWatcher() {
    static testing::MenuWatcher watcher;
    return watcher;
}

}  // namespace platform
