#pragma once

#include <array>
#include <cstdint>

namespace assets {

// 32 x 32 pixels, one palette index per pixel, row by row from the top.
struct IndexedPicture {
    int width;
    int height;
    std::array<std::uint32_t, 16> palette;  // 0xAARRGGBB
    const char* const* rows;  // height strings of width hex digits '0'..'f', each a palette index
};

// The program's alarm-clock picture: window icon, tray icon and the picture on the main window.
const IndexedPicture& alarmClock();

}  // namespace assets
