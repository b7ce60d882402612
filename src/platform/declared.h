// The system functions the program declares and calls by name, with the
// meaning it relies on. On Windows they are the system's own; elsewhere the
// backend gives them that meaning.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

// Pointer-sized message parameters and results, as on 64-bit Windows.
using LongPtr = std::intptr_t;
using WndProc = LongPtr (*)(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr lParam);
using HKey = std::intptr_t;

inline constexpr Handle HWND_TOPMOST = -1;
inline constexpr std::uint32_t SWP_SHOWWINDOW = 0x40;
inline constexpr int GWL_WNDPROC = -4;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x112;
inline constexpr LongPtr SC_RESTORE = 0xF120;
inline constexpr LongPtr WM_LBUTTONDOWN = 513;
inline constexpr LongPtr WM_LBUTTONUP = 514;
inline constexpr LongPtr WM_LBUTTONDBLCLK = 515;
inline constexpr LongPtr WM_RBUTTONDOWN = 516;
inline constexpr LongPtr WM_RBUTTONUP = 517;
inline constexpr LongPtr WM_MBUTTONUP = 520;

inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_MODIFY = 1;
inline constexpr std::uint32_t NIM_DELETE = 2;
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;

// The tray icon is described by one record in three shapes:
// - the tray module's own record (Module1::TrayRecord in tray/Module1.h):
//   native handles, the tip as 64 characters of UTF-8; kept between calls;
// - this one, the first form of the system's record as the 32-bit system
//   lays it out: 88 bytes, 32-bit handles, the tip in the ANSI code page.
//   The module converts its record to this one as it calls
//   Shell_NotifyIconA (notify in tray/Module1.cpp); it is what the tests
//   see (testing::notifyCalls) and what the Qt backend reads (apply in
//   qt/tray.cpp);
// - on Windows, the system's own NOTIFYICONDATAA of windows.h, with
//   pointer-sized handles: converted to and from this one in
//   win32/tray.cpp (systemRecord, programRecord).
struct NOTIFYICONDATAA {
    std::uint32_t cbSize;
    std::int32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::int32_t hIcon;
    char szTip[64];
};
static_assert(sizeof(NOTIFYICONDATAA) == 88);

inline constexpr HKey HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002u);
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

std::int32_t SetWindowPos(Handle hWnd, Handle hWndInsertAfter, int x, int y, int cx, int cy,
                          std::uint32_t flags);
// Replaces a window's procedure; gives the one it replaced.
LongPtr SetWindowLongA(Handle hWnd, int nIndex, LongPtr newLong);
LongPtr CallWindowProcA(LongPtr prevWndFunc, Handle hWnd, std::uint32_t uMsg, LongPtr wParam,
                        LongPtr lParam);
LongPtr SendMessageA(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr lParam);
std::int32_t Shell_NotifyIconA(std::uint32_t message, NOTIFYICONDATAA* data);

// Registry: 0 means success.
std::int32_t RegOpenKeyExA(HKey root, const char* subKey, std::uint32_t options,
                           std::uint32_t access, HKey* result);
std::int32_t RegQueryValueExA(HKey key, const char* valueName, std::uint32_t* reserved,
                              std::uint32_t* type, std::uint8_t* data, std::uint32_t* size);
std::int32_t RegCloseKey(HKey key);

}  // namespace platform
