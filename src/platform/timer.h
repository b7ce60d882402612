// A periodic timer of a window. It ticks on the user-interface thread, also
// while a message box or a menu is open.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/form.h"
#include "platform/types.h"

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

    // While its window is hidden the timer may sleep: it then ticks once at
    // the wall-clock moment given (none: no moment), or as soon as the
    // system's clock is set, the time zone changes or the machine resumes,
    // and stays quiet after that tick unless asked to sleep again. The
    // window showing ticks it at once and makes it periodic again; a request
    // to sleep made from that tick is not heeded.
    void sleepUntil(std::optional<LocalTime> moment);

    TimerImpl& impl() const { return *d_; }

private:
    std::unique_ptr<TimerImpl> d_;
};

}  // namespace platform
