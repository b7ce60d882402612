#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace assets {

// 32 x 32 pixels, one palette index per pixel, row by row from the top.
struct IndexedPicture {
    int width;
    int height;
    std::array<std::uint32_t, 16> palette;  // 0xAARRGGBB
    const char* const* rows;  // height strings of width hex digits '0'..'f', each a palette index

    // The colour of a pixel, 0xAARRGGBB.
    std::uint32_t colourAt(int x, int y) const {
        const char c = rows[y][x];
        const int index = c >= 'a' ? c - 'a' + 10 : c - '0';
        return palette[static_cast<std::size_t>(index & 15)];
    }
};

// The program's alarm-clock picture: window icon, tray icon and the picture on the main window.
const IndexedPicture& alarmClock();

}  // namespace assets
