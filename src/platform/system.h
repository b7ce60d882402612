// The local clock, the program's folder, and the declared system functions
// that the windows call by name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace platform {

LocalTime now();

// The folder the running program was started from.
std::string programFolder();
// Makes a folder the current directory; false when that failed.
bool setCurrentDirectory(const std::string& folder);
// Makes the drive of a folder the current drive (nothing to do without drives).
bool setCurrentDrive(const std::string& folder);

inline constexpr Handle HWND_TOPMOST = -1;
inline constexpr std::uint32_t SWP_SHOWWINDOW = 0x40;

std::int32_t SetWindowPos(Handle hWnd, Handle hWndInsertAfter, int x, int y, int cx, int cy,
                          std::uint32_t flags);

}  // namespace platform
