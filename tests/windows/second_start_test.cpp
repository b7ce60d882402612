// A second start in the same session hands over to the program already
// running, which comes forward; the place is free again once that one ends.
#include <chrono>

#include "harness.h"
#include "platform/instance.h"
#include "windows/frmMain.h"

namespace {

// Each test a place of its own, so that runs side by side never meet.
std::string uniqueKey() {
    return "tockmere-test-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

class SecondStart : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        pt::useInstanceKey(uniqueKey());
    }
    void TearDown() override {
        pt::useInstanceKey("");
        MainWindowTest::TearDown();
    }
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

TEST_F(SecondStart, BringsBackTheHiddenWindowAsRestoreDoes) {
    platform::Instance first;
    start();
    first.onStartAgain = [this] { w->App_StartAgain(); };
    pt::chooseMenuItem(w->mnuTrayHide);
    ASSERT_FALSE(w->form.visible());

    { platform::Instance again; }
    pt::processEvents();
    EXPECT_TRUE(w->form.visible());
    EXPECT_FALSE(w->mnuTrayRestore.enabled());
    EXPECT_TRUE(w->mnuTrayHide.enabled());
    EXPECT_TRUE(takeBoxes().empty());
}

}  // namespace
