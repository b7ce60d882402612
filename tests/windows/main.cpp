#include <gtest/gtest.h>

#include "platform/application.h"
#include "support/testing.h"

int main(int argc, char** argv) {
    platform::testing::useTestDisplay();
    platform::testing::usePrivateFolders();
    platform::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Ticks come when a test asks for them, never by themselves.
    platform::testing::holdTimers(true);
    // The offscreen desktop has no notification area; the tests give it one
    // unless they say otherwise.
    platform::testing::setTrayAvailable(true);
    // Reminders told by the tests are never heard on the developer's desktop.
    platform::testing::watchSounds([] {});
    return RUN_ALL_TESTS();
}
