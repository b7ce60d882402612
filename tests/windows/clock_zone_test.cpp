// The clock on Linux follows a time zone changed while the program runs
// (end to end, with /etc/localtime switched: tests/e2e/edges.py).
#include <cstdlib>
#include <optional>
#include <string>

#include "harness.h"

namespace {

class ClockZone : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        pt::setClock(nullptr);  // the system's clock
    }
    void TearDown() override {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        MainWindowTest::TearDown();
    }

    // The clock label's time at a tick, in minutes since midnight.
    int clockAfterTick() {
        pt::fireTimer(w->Timer1);
        const std::string shown = pt::labelShows(w->Label1);
        const auto colon = shown.find(':');
        return std::stoi(shown.substr(0, colon)) * 60 + std::stoi(shown.substr(colon + 1, 2));
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(ClockZone, TheClockFollowsAZoneChangedWhileTheProgramRuns) {
    setenv("TZ", "UTC", 1);
    start();
    const int utc = clockAfterTick();
    setenv("TZ", "Asia/Shanghai", 1);
    const int shanghai = clockAfterTick();
    // Eight hours ahead, give or take the minute that may have turned.
    const int ahead = (shanghai - utc + 24 * 60) % (24 * 60);
    EXPECT_GE(ahead, 8 * 60);
    EXPECT_LE(ahead, 8 * 60 + 1);
}

}  // namespace
