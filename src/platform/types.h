// Units and small value types shared by every window of the program.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// Positions and sizes are in twips: 1/1440 inch, 15 to a pixel at 96 dpi.
using Twips = int;

// A window or icon handle as the declared system functions see it: pointer
// sized, as the system's own, whose values fit in 32 bits.
using Handle = std::intptr_t;

// Local wall-clock time to the millisecond.
using LocalTime = std::chrono::local_time<std::chrono::milliseconds>;

struct Color {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Color&) const = default;
};

struct Font {
    std::string name;  // as the program names it; the backend finds the nearest face
    double points = 9;
    bool bold = false;
};

// Mouse buttons and shift state as the event handlers receive them.
enum MouseButton { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
enum ShiftState { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

// Key codes that the handlers look at.
enum KeyCode {
    KeyBack = 8,
    KeyTab = 9,
    KeyReturn = 13,
    KeyEscape = 27,
    KeySpace = 32,
    KeyEnd = 35,
    KeyHome = 36,
    KeyLeft = 37,
    KeyUp = 38,
    KeyRight = 39,
    KeyDown = 40,
    KeyDelete = 46,
    KeyContextMenu = 93,  // the Menu key, between the right Windows and Ctrl keys
    KeyF10 = 121
};

}  // namespace platform
