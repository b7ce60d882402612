// The main window as it comes up, and how it is placed.
#include <algorithm>

#include "harness.h"
#include "platform/form.h"
#include "windows/frmMain.h"

namespace {

constexpr int kPixel = 15;  // twips; geometry is exact to the pixel

class MainWindow : public MainWindowTest {};

// (Centred and on top whenever it is in use: the model's, sequences.cpp.)
TEST_F(MainWindow, StartsInFrontWithTheNextMinuteSelected) {
    start();

    EXPECT_TRUE(pt::isForeground(w->form));
    EXPECT_EQ(w->Text1.text(), "9");
    EXPECT_EQ(w->Text2.text(), "42");
    EXPECT_TRUE(pt::holdsKeyboardFocus(w->Text1)) << "the field itself, not only remembered";
    EXPECT_EQ(w->Text1.selStart(), 0);
    EXPECT_EQ(w->Text1.selLength(), 1);
    EXPECT_EQ(w->Label1.caption(), "") << "the clock shows nothing before the first tick";
    EXPECT_FALSE(w->Command1.enabled());
    EXPECT_FALSE(w->Command2.enabled());
    EXPECT_TRUE(takeBoxes().empty());

    // Another window coming forward takes the focus from the hour field, not
    // from the window itself: the window stays where it is.
    const platform::Twips left = w->form.left(), top = w->form.top();
    pt::bringAnotherWindowForward();
    EXPECT_EQ(w->form.left(), left);
    EXPECT_EQ(w->form.top(), top);
    EXPECT_NEAR(w->form.height(), 2500, kPixel);
}

TEST_F(MainWindow, ShowsItsTextsInBlueOverNothingElse) {
    start();
    // The texts on screen are blue: some of each control's pixels are the
    // blue ink (0, 0, 192) or close to it, none black. A label's pixels are
    // looked at outside the boxes and the picture it overlaps. The hour
    // field holds the focus and its selection, drawn in the system's own
    // colours. The labels overlap the boxes and the picture: after the clock
    // has run a while, every box's top border and every pixel of the
    // picture still show, no label's repaint drew over them.
    w->Text4.setText("开会");
    for (int second = 50; second < 56; ++second) tickAt(9, 41, second);
    pt::processEvents();
    const pt::Pixels shown = pt::capture(w->form);
    const auto overlapped = [&](int x, int y) {
        for (const platform::Control* other : {static_cast<platform::Control*>(&w->Text1),
                                               static_cast<platform::Control*>(&w->Text2),
                                               static_cast<platform::Control*>(&w->Text4),
                                               static_cast<platform::Control*>(&w->Picture1)}) {
            const pt::PixelRect r = pt::pixelRect(*other);
            if (x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height)
                return true;
        }
        return false;
    };
    const std::pair<platform::Control*, const char*> inked[] = {
        {&w->Label2, "Label2"}, {&w->Label3, "Label3"}, {&w->Label4, "Label4"},
        {&w->Label5, "Label5"}, {&w->Text2, "Text2"},   {&w->Text4, "Text4"}};
    for (const auto& [c, what] : inked) {
        const bool label = c != &w->Text2 && c != &w->Text4;
        const pt::PixelRect r = pt::pixelRect(*c);
        ASSERT_LE(r.left + r.width, shown.width) << what;
        ASSERT_LE(r.top + r.height, shown.height) << what;
        int blue = 0, black = 0;
        for (int y = r.top; y < r.top + r.height; ++y)
            for (int x = r.left; x < r.left + r.width; ++x) {
                if (label && overlapped(x, y)) continue;
                const std::uint32_t p = shown.at(x, y);
                const int red = static_cast<int>(p >> 16), green = (p >> 8) & 0xFF, b = p & 0xFF;
                blue += red < 0x40 && green < 0x40 && b >= 0xA0;
                black += p == 0;
            }
        EXPECT_GT(blue, 0) << what << ": no blue ink";
        EXPECT_EQ(black, 0) << what << ": ink drawn black";
    }

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
