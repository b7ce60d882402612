// A screen reader is told when the message field takes the next reminder's
// name with "还有": the hour field's description and the message field's
// name. (What each control is named after every command is the model's:
// sequences.cpp; Qt's bridge tells the reader itself, heard in tests/e2e.)
#include "harness.h"

namespace {

using Accessible = MainWindowTest;

TEST_F(Accessible, AReaderIsToldOfTheNextRemindersName) {
    start();
    advanced();
    enter("10", "30", "开会");
    if (!pt::listenToNameChanges()) GTEST_SKIP() << "the toolkit's bridge tells the reader";
    more();
    const auto heard = pt::nameChangesHeard();
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "提醒信息（事件二）"), 2);
}

}  // namespace
