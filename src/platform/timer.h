// A periodic timer of a window. It ticks on the user-interface thread, also
// while a message box or a menu is open.
#pragma once

#include <functional>
#include <memory>

#include "platform/form.h"

namespace platform {

struct TimerImpl;

class Timer {
public:
    Timer(Form& form, int intervalMs);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    int interval() const;
    std::function<void()> onTimer;

    TimerImpl& impl() const { return *d_; }

private:
    std::unique_ptr<TimerImpl> d_;
};

}  // namespace platform
