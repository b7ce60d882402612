// The declared window functions are the system's own.
#include "platform/win32/impl.h"

namespace platform {

std::int32_t SetWindowPos(Handle hWnd, Handle hWndInsertAfter, int x, int y, int cx, int cy,
                          std::uint32_t flags) {
    HWND h = win::hwnd(hWnd);
    if (FormImpl* f = FormImpl::of(h); f && (flags & SWP_SHOWWINDOW)) {
        f->applyTabOrder();
        // On the screen again; the call below shows it where it places it.
        f->kept = FormImpl::Kept::Screen;
        if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
    }
    return ::SetWindowPos(h, win::hwnd(hWndInsertAfter), x, y, cx, cy, flags);
}

LongPtr SetWindowLongA(Handle hWnd, int nIndex, LongPtr newLong) {
    // The pointer-sized form, which holds a window procedure on 64-bit systems.
    return ::SetWindowLongPtrA(win::hwnd(hWnd), nIndex, newLong);
}

LongPtr CallWindowProcA(LongPtr prevWndFunc, Handle hWnd, std::uint32_t uMsg, LongPtr wParam,
                        LongPtr lParam) {
    return ::CallWindowProcA(reinterpret_cast<WNDPROC>(prevWndFunc), win::hwnd(hWnd), uMsg,
                             static_cast<WPARAM>(wParam), lParam);
}

LongPtr SendMessageA(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr lParam) {
    return ::SendMessageA(win::hwnd(hWnd), uMsg, static_cast<WPARAM>(wParam), lParam);
}

}  // namespace platform
