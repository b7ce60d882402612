// A message is kept as typed, from the field to the reminder's box. (What the
// commands do in every order is the model's, sequences.cpp.)
#include "harness.h"

namespace {

using Commands = MainWindowTest;

TEST_F(Commands, TheMessageIsStoredAndToldAsTyped) {
    start();
    // A line break, as a paste puts one there, reads back as one.
    w->Text4.setText("三楼\n带");
    EXPECT_EQ(w->Text4.text(), "三楼\n带");
    // A no-break space, a line separator, a trailing space: all kept.
    const std::string message = "会\u00A0议\u2028三楼 ";
    enter("10", "0", message);
    EXPECT_EQ(w->Text4.text(), message);
    confirm();
    EXPECT_EQ(w->book.slot(1), (reminder::Slot{"10:00:00", message}));
    EXPECT_TRUE(w->book.slot(2).empty() && w->book.slot(3).empty());
    tickAt(10, 0, 0, 5);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{product("只有一件事要提醒"),
                                             okBox("应该" + message, " 10:00:00啦!")}));
}

}  // namespace
