// The declared system functions, given their meaning over Qt: each window
// keeps a window-procedure chain that SetWindowLongA replaces and
// CallWindowProcA walks; SendMessageA enters it at its head.
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/declared.h"
#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"

namespace platform {

namespace {
// Changes the stay-on-top state in place. QWidget::setWindowFlag would make
// the window anew, and the new one would lose the activation and the focus.
void setStaysOnTop(QWidget* w, bool top) {
    const Qt::WindowFlags flags = w->windowFlags().setFlag(Qt::WindowStaysOnTopHint, top);
    if (flags == w->windowFlags()) return;
    w->overrideWindowFlags(flags);
    if (QWindow* native = w->windowHandle()) native->setFlags(flags);
}

}  // namespace

LongPtr defaultWindowProc(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr) {
    FormImpl* f = FormImpl::fromHandle(hWnd);
    if (f && f->widget && uMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE) {
        f->showWindow();
        // The field that takes the focus may have run a box, from which the
        // user put the window away again: then it stays away.
        if (f->kept == FormImpl::Kept::Screen) f->widget->showNormal();
    }
    return 0;
}

std::int32_t SetWindowPos(Handle hWnd, Handle hWndInsertAfter, int x, int y, int cx, int cy,
                          std::uint32_t flags) {
    constexpr std::uint32_t kNoSize = 0x1, kNoMove = 0x2, kHide = 0x80;
    constexpr Handle kNoTopMost = -2;
    FormImpl* f = FormImpl::fromHandle(hWnd);
    if (!f || !f->widget) return 0;
    QWidget* w = f->widget;
    const bool wasVisible = w->isVisible();
    if (hWndInsertAfter == HWND_TOPMOST || hWndInsertAfter == kNoTopMost)
        setStaysOnTop(w, hWndInsertAfter == HWND_TOPMOST);
    if (!(flags & kNoSize)) {
        const QSize extra = qt::windowsFrame();
        w->setFixedSize(std::max(1, cx - extra.width()), std::max(1, cy - extra.height()));
    }
    if (!(flags & kNoMove)) {
        qt::placeWindowsOuter(w, x, y);
        f->hiddenAt.reset();
    }
    if (flags & kHide) {
        f->keep(FormImpl::Kept::Tray);
    } else if ((flags & SWP_SHOWWINDOW) || (wasVisible && !w->isVisible())) {
        f->showWindow();
    }
    return 1;
}

LongPtr SetWindowLongA(Handle hWnd, int nIndex, LongPtr newLong) {
    FormImpl* f = FormImpl::fromHandle(hWnd);
    if (!f || nIndex != GWL_WNDPROC) return 0;
    return std::exchange(f->wndProc, newLong);
}

LongPtr CallWindowProcA(LongPtr prevWndFunc, Handle hWnd, std::uint32_t uMsg, LongPtr wParam,
                        LongPtr lParam) {
    if (prevWndFunc == 0) return 0;
    return reinterpret_cast<WndProc>(prevWndFunc)(hWnd, uMsg, wParam, lParam);
}

LongPtr SendMessageA(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr lParam) {
    FormImpl* f = FormImpl::fromHandle(hWnd);
    if (!f || f->wndProc == 0) return 0;
    return reinterpret_cast<WndProc>(f->wndProc)(hWnd, uMsg, wParam, lParam);
}

}  // namespace platform
