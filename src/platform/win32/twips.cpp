// Twips and pixels, at a window's dots per inch, the screen's or the tests'.
#include <cmath>

#include "platform/hooks.h"

#include "platform/win32/impl.h"

namespace platform::win {

int screenDpi() {
    if (dpiOverride() > 0) return dpiOverride();
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
}

int toPixels(Twips t, int dpi) {
    return static_cast<int>(std::lround(t * dpi / 1440.0));
}
Twips toTwips(int px, int dpi) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpi));
}

}  // namespace platform::win
