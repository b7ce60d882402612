// Twips and pixels, at the screen's dots per inch or the tests'.
#include <cmath>

#include "platform/test_seams.h"

#include "platform/win32/impl.h"

namespace platform::win {

namespace {
int dpi(int axis) {
    if (dpiOverride() > 0) return dpiOverride();
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, axis);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
}
}  // namespace

int toPixelsX(Twips t) {
    return static_cast<int>(std::lround(t * dpi(LOGPIXELSX) / 1440.0));
}
int toPixelsY(Twips t) {
    return static_cast<int>(std::lround(t * dpi(LOGPIXELSY) / 1440.0));
}
Twips toTwipsX(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpi(LOGPIXELSX)));
}
Twips toTwipsY(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpi(LOGPIXELSY)));
}

int dotsPerInch() {
    return dpi(LOGPIXELSY);
}

}  // namespace platform::win
