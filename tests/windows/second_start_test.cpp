// A second start in the same session hands over to the program already
// running (that it comes forward, the e2e cases see on both systems); the
// place is free again once that one ends.
#include <chrono>

#include "harness.h"
#include "platform/instance.h"

namespace {

// Each test a place of its own, so that runs side by side never meet.
std::string uniqueKey() {
    return "tockmere-test-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

class SecondStart : public ::testing::Test {
protected:
    void SetUp() override { pt::useInstanceKey(uniqueKey()); }
    void TearDown() override { pt::useInstanceKey(""); }
};

TEST_F(SecondStart, EachLaterStartIsHandedToTheFirstFromItsEventLoop) {
    int startedAgain = 0;
    {
        platform::Instance first;
        ASSERT_TRUE(first.first());
        first.onStartAgain = [&] { ++startedAgain; };
        {
            platform::Instance second;
            EXPECT_FALSE(second.first());
            EXPECT_EQ(startedAgain, 0) << "not from inside the second start";
        }
        pt::processEvents();
        EXPECT_EQ(startedAgain, 1);
        platform::Instance third;
        EXPECT_FALSE(third.first()) << "the second's end leaves the place with the first";
        pt::processEvents();
        EXPECT_EQ(startedAgain, 2);
    }
    platform::Instance after;
    EXPECT_TRUE(after.first()) << "the place is free once the first has ended";
    pt::processEvents();
    EXPECT_EQ(startedAgain, 2);
}

}  // namespace
