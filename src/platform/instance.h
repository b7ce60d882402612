// One program per user and desktop session. A second start hands over to the
// program already running, which comes forward, and ends.
#pragma once

#include <functional>
#include <memory>

namespace platform {

struct InstanceImpl;

class Instance {
public:
    // Made after the Application: claims the session's place, or, where a
    // running program holds it, asks that one to come forward. A place left
    // by a program that was killed is free again.
    Instance();
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // False when another program holds the place: this one should end.
    bool first() const;

    // In the first program, from its event loop, at each later start.
    std::function<void()> onStartAgain;

private:
    std::unique_ptr<InstanceImpl> d_;
};

}  // namespace platform
