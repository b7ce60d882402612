// A second start in the same session hands over to the program already
// running (that it comes forward, the e2e cases see on both systems), also
// while that one is still starting up; the place is free again once it ends.
#include <chrono>
#include <thread>

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

// The third start comes while the first is not answering, as in its own
// start-up: it waits for it rather than give up or begin a second program.
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
        pt::setInstanceReachable(false);
        bool thirdIsFirst = true;
        const int unreached = pt::firstUnreached();
        std::thread third([&] { thirdIsFirst = platform::Instance().first(); });
        // In reach again only once the third has found the first out of reach.
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds{5};
        while (pt::firstUnreached() == unreached && std::chrono::steady_clock::now() < bound)
            std::this_thread::yield();
        EXPECT_GT(pt::firstUnreached(), unreached) << "the third start found the first at once";
        pt::setInstanceReachable(true);
        third.join();
        EXPECT_FALSE(thirdIsFirst) << "the second's end leaves the place with the first";
        pt::processEvents();
        EXPECT_EQ(startedAgain, 2) << "the third start gave up";
    }
    platform::Instance after;
    EXPECT_TRUE(after.first()) << "the place is free once the first has ended";
    pt::processEvents();
    EXPECT_EQ(startedAgain, 2);
}

}  // namespace
