// Icons from the program's indexed pictures, and the same icons at another
// size for places that draw them at their own.
#include <algorithm>
#include <set>
#include <vector>

#include "platform/win32/impl.h"

namespace platform::win {

namespace {

// The program's icon resource (tockmere.rc), and the icons made from it.
constexpr int kProgramIcon = 1;
std::set<HICON>& programIcons() {
    static std::set<HICON> icons;
    return icons;
}

HICON programIcon(int size) {
    HICON icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIcon),
                                      IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (icon) programIcons().insert(icon);
    return icon;
}

// An icon from 0xAARRGGBB pixels, row by row from the top.
HICON iconFrom(int w, int h, const std::uint32_t* argb) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = w;
    header.bV5Height = -h;  // top-down
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC dc = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, dc);
    if (!color) return nullptr;
    std::copy_n(argb, static_cast<std::size_t>(w) * static_cast<std::size_t>(h),
                static_cast<std::uint32_t*>(bits));
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

// Each target pixel the average of the source area it covers, weighted by
// how much of each source pixel lies in it and by its opacity, so edges
// blend into the transparent ground without dark fringes.
std::vector<std::uint32_t> resampled(const IconPixels& from, int size) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    const double sx = static_cast<double>(from.width) / size;
    const double sy = static_cast<double>(from.height) / size;
    for (int ty = 0; ty < size; ++ty)
        for (int tx = 0; tx < size; ++tx) {
            const double x0 = tx * sx, x1 = x0 + sx, y0 = ty * sy, y1 = y0 + sy;
            double a = 0, r = 0, g = 0, b = 0, area = 0;
            for (int y = static_cast<int>(y0); y < from.height && y < y1; ++y)
                for (int x = static_cast<int>(x0); x < from.width && x < x1; ++x) {
                    const double cover = (std::min<double>(x + 1, x1) - std::max<double>(x, x0)) *
                                         (std::min<double>(y + 1, y1) - std::max<double>(y, y0));
                    const std::uint32_t p = from.argb[static_cast<std::size_t>(y * from.width + x)];
                    const double alpha = (p >> 24) / 255.0 * cover;
                    a += alpha;
                    r += alpha * ((p >> 16) & 0xFF);
                    g += alpha * ((p >> 8) & 0xFF);
                    b += alpha * (p & 0xFF);
                    area += cover;
                }
            if (a <= 0 || area <= 0) continue;
            const auto channel = [](double v) {
                return static_cast<std::uint32_t>(std::clamp(v + 0.5, 0.0, 255.0));
            };
            out[static_cast<std::size_t>(ty * size + tx)] = channel(a / area * 255.0) << 24 |
                                                            channel(r / a) << 16 |
                                                            channel(g / a) << 8 | channel(b / a);
        }
    return out;
}

}  // namespace

HICON makeIcon(const assets::IndexedPicture& picture) {
    const int w = picture.width, h = picture.height;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<std::size_t>(y * w + x)] = picture.colourAt(x, y);
    return iconFrom(w, h, pixels.data());
}

HICON windowIcon(const assets::IndexedPicture& picture, int size) {
    // The system picks the resource's picture of that size, or the nearest
    // larger one to draw it from.
    if (&picture == &assets::alarmClock())
        if (HICON icon = programIcon(size)) return icon;
    return makeIcon(picture);
}

IconPixels iconPixels(HICON icon) {
    IconPixels p;
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return p;
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm) && bm.bmWidth > 0 &&
        bm.bmHeight > 0) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        p.argb.resize(static_cast<std::size_t>(bm.bmWidth) * static_cast<std::size_t>(bm.bmHeight));
        HDC dc = GetDC(nullptr);
        const int rows = GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(bm.bmHeight),
                                   p.argb.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        if (rows == bm.bmHeight) {
            p.width = bm.bmWidth;
            p.height = bm.bmHeight;
        } else {
            p.argb.clear();
        }
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return p;
}

HICON resizedIcon(HICON icon, int size) {
    if (programIcons().count(icon))
        if (HICON drawn = programIcon(size)) return drawn;
    const IconPixels from = iconPixels(icon);
    if (from.width <= 0 || size <= 0) return nullptr;
    const std::vector<std::uint32_t> to = resampled(from, size);
    return iconFrom(size, size, to.data());
}

}  // namespace platform::win
