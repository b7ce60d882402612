// The desktop session as the program settles it before it starts: it uses
// the session bus it is given or the user's own, and never has one launched.
#include <gtest/gtest.h>

#include "support/testing.h"

namespace {

namespace pt = platform::testing;

TEST(Session, TheBusGivenIsKeptAndNoneIsEverLaunched) {
    if (!pt::settledBusAddress("", false))
        GTEST_SKIP() << "the program has no session bus to settle here";
    const std::string given = "unix:path=/run/user/1000/other-bus";
    EXPECT_EQ(pt::settledBusAddress(given, false), given) << "no socket of the user's: kept";
    EXPECT_EQ(pt::settledBusAddress(given, true), given);
    EXPECT_EQ(pt::settledBusAddress("", true), "") << "the user's bus is found where it is";

    // With neither, an empty address would have D-Bus launch a daemon that
    // outlives the program: one that leads nowhere is set instead.
    const std::string none = pt::settledBusAddress("", false).value_or("");
    EXPECT_FALSE(none.empty());
    EXPECT_NE(none, given);
}

}  // namespace
