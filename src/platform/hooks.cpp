// The state the tests set through tests/support/; see hooks.h.
#include "platform/hooks.h"

namespace platform {

std::function<LocalTime()>& clockOverride() {
    static std::function<LocalTime()> clock;
    return clock;
}

std::atomic<int>& firstUnreached() {
    static std::atomic<int> count{0};
    return count;
}

std::function<void()>& soundWatcher() {
    static std::function<void()> watcher;
    return watcher;
}

BoxSeam& boxWatcher() {
    static BoxSeam watcher;
    return watcher;
}

MenuItem* watchedMenuChoice(const std::vector<std::unique_ptr<MenuItem>>& items) {
    std::vector<const MenuItem*> shown;
    for (const auto& item : items) shown.push_back(item.get());
    const std::string choice = menuWatcher()(shown);
    if (choice.empty()) return nullptr;
    for (const auto& item : items)
        if (item->caption() == choice && item->enabled()) return item.get();
    return nullptr;
}

int& dpiOverride() {
    static int dpi = 0;
    return dpi;
}

std::string& instanceKeyOverride() {
    static std::string key;
    return key;
}

int& localMachineWritable() {
    static int writable = -1;
    return writable;
}

MenuSeam& menuWatcher() {
    static MenuSeam watcher;
    return watcher;
}

NotifySeam& notifyWatcher() {
    static NotifySeam watcher;
    return watcher;
}

}  // namespace platform
