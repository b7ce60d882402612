// The parts of testing.h that are the same on every backend.
#include "platform/hooks.h"
#include "support/testing.h"

#include <chrono>
#include <thread>

namespace platform::testing {

bool eventually(const std::function<bool()>& holds) {
    for (int waited = 0; !holds(); waited += 10) {
        if (waited >= 2000) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds{10});
        processEvents();
    }
    return true;
}

void watchMessageBoxes(BoxWatcher watcher) {
    if (!watcher) {
        boxWatcher() = nullptr;
        return;
    }
    boxWatcher() = [watcher = std::move(watcher)](
                       const std::string& prompt, const std::string& title,
                       const std::vector<std::string>& buttons, bool hasIcon) {
        return watcher(ShownBox{prompt, title, buttons, hasIcon});
    };
}
void watchMenus(MenuWatcher watcher) {
    if (!watcher) {
        menuWatcher() = nullptr;
        return;
    }
    menuWatcher() = [watcher = std::move(watcher)](const std::vector<const MenuItem*>& items) {
        std::vector<ShownMenuItem> shown;
        for (const MenuItem* item : items)
            shown.push_back({item->caption(), item->enabled(), item->checked()});
        return watcher(shown);
    };
}
int firstUnreached() {
    return platform::firstUnreached();
}
void watchSounds(std::function<void()> watcher) {
    soundWatcher() = std::move(watcher);
}
void setClock(std::function<LocalTime()> clock) {
    clockOverride() = std::move(clock);
}
void useInstanceKey(const std::string& key) {
    instanceKeyOverride() = key;
}
void holdTimers(bool hold) {
    holdAllTimers(hold);
}

void fireTimer(Timer& timer) {
    if (timer.onTimer) timer.onTimer();
}

void setDpi(int dpi) {
    dpiOverride() = dpi;
}

void setLocalMachineWritable(bool writable) {
    localMachineWritable() = writable ? 1 : 0;
}

void setTrayAvailable(bool available) {
    overrideTrayAvailable(available ? 1 : 0);
}

std::optional<std::string> trayTip(const Form& owner) {
    return trayTipOf(owner.hWnd());
}

void trayClick(const Form& owner, int button) {
    const LongPtr press = button == RightButton ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    sendTrayMouse(owner.hWnd(), press);
    sendTrayMouse(owner.hWnd(), press + 1);
    processEvents();
}

void trayDoubleClick(const Form& owner) {
    trayClick(owner, LeftButton);
    sendTrayMouse(owner.hWnd(), WM_LBUTTONDBLCLK);
    sendTrayMouse(owner.hWnd(), WM_LBUTTONUP);
    processEvents();
}

namespace {
// Every call to Shell_NotifyIconA from the start of the run: a handful in a
// program's life (add, tip, and the removals).
std::vector<NotifyCall>& notifyLog() {
    static std::vector<NotifyCall> calls;
    return calls;
}
[[maybe_unused]] const bool notifyLogged = [] {
    notifyWatcher() = [](std::uint32_t message, const NOTIFYICONDATAA& data) {
        notifyLog().push_back({message, data});
    };
    return true;
}();
}  // namespace

std::vector<NotifyCall> notifyCalls() {
    return notifyLog();
}

// Messages without text: the ANSI call is the program's own way to the window.
std::intptr_t sendMessage(const Form& form, std::uint32_t message, std::intptr_t wParam,
                          std::intptr_t lParam) {
    return SendMessageA(form.hWnd(), message, wParam, lParam);
}

}  // namespace platform::testing
