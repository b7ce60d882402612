// The program's event loop. It ends when the last window has been unloaded.
#pragma once

#include <memory>

namespace platform {

struct ApplicationImpl;

class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    int run();

private:
    std::unique_ptr<ApplicationImpl> d_;
};

}  // namespace platform
