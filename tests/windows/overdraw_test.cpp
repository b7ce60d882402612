// The clock label and the unit and title labels overlap the boxes and the
// picture of the main window. After the clock has run a while, the pixels on
// screen still show every box's top border and every pixel of the picture:
// no label's repaint drew over them.
#include "harness.h"

namespace {

class Overdraw : public MainWindowTest {};

TEST_F(Overdraw, TheBoxesBordersAndThePictureStayWholeWhileTheClockRuns) {
    start();
    for (int second = 50; second < 56; ++second) {
        tickAt(9, 41, second);
        pt::processEvents();
    }
    const pt::Pixels shown = pt::capture(w->form);
    for (auto [box, what] : std::initializer_list<std::pair<platform::Control*, const char*>>{
             {&w->Text1, "hour"}, {&w->Text2, "minute"}, {&w->Text4, "message"}}) {
        const pt::PixelRect r = pt::pixelRect(*box);
        ASSERT_LE(r.left + r.width, shown.width) << what;
        ASSERT_LE(r.top + r.height, shown.height) << what;
        // The border's colour where no label reaches: the left edge, halfway down.
        const std::uint32_t border = shown.at(r.left, r.top + r.height / 2);
        EXPECT_NE(border, shown.at(r.left - 1, r.top + r.height / 2))
            << what << ": the box has a border to look for";
        // Away from the corners, which a style may round; a scroll bar's
        // own edge may take a few pixels more.
        int drawn = 0, looked = 0;
        for (int x = r.left + 3; x < r.left + r.width - 3; ++x, ++looked)
            drawn += shown.at(x, r.top) == border;
        EXPECT_GE(drawn * 10, looked * 8) << what << ": the top border is drawn over";
    }

    const assets::IndexedPicture& picture = assets::alarmClock();
    const pt::PixelRect r = pt::pixelRect(w->Picture1);
    ASSERT_LE(r.left + picture.width, shown.width);
    ASSERT_LE(r.top + picture.height, shown.height);
    int opaque = 0, same = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const char c = picture.rows[y][x];
            const std::uint32_t argb =
                picture.palette[static_cast<std::size_t>((c >= 'a' ? c - 'a' + 10 : c - '0') & 15)];
            if (argb >> 24 != 0xFF) continue;
            ++opaque;
            same += shown.at(r.left + x, r.top + y) == (argb & 0xFFFFFF);
        }
    ASSERT_GT(opaque, 0);
    EXPECT_EQ(same, opaque) << "pixels of the picture drawn over or missing";
}

}  // namespace
