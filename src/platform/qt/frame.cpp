// The size the window manager's frame adds to a window, and the frame
// Windows would draw instead, by which the program gives sizes and places.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVariant>
#include <QWindow>

#include "platform/qt/impl.h"

namespace platform::qt {

void awaitFrame(QWidget* w) {
    // The window manager frames a window before it maps it; the frame's
    // size is known once the window is on screen.
    QWindow* window = w->windowHandle();
    QElapsedTimer waited;
    waited.start();
    while (window && !window->isExposed() && waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

QSize frameExtra(const QWidget* w) {
    // A window without a frame yet (not shown, or not yet framed by the
    // window manager) will get the one it had before, or else the one the
    // last framed window got.
    static QSize lastSeen{0, 0};
    if (w->isVisible() && !w->isMinimized()) awaitFrame(const_cast<QWidget*>(w));
    const QSize extra = w->frameGeometry().size() - w->size();
    // A frame may be a title bar alone (mutter's has no side borders).
    if (w->isVisible() && (extra.width() > 0 || extra.height() > 0)) {
        lastSeen = extra;
        const_cast<QWidget*>(w)->setProperty("tockmereFrame", extra);
        return extra;
    }
    const QVariant own = w->property("tockmereFrame");
    return own.isValid() ? own.toSize() : lastSeen;
}

QSize windowsFrame() {
    // 3 pixels of fixed border on each side (SM_CXFIXEDFRAME, SM_CYFIXEDFRAME)
    // and a 19-pixel caption (SM_CYCAPTION) at 96 dots per inch: Windows'
    // standard metrics as the Windows build gets them under Wine, and those
    // the windows were drawn with (2500 twips round a client area of
    // 2415 x 2130). In twips, so that they scale with the screen.
    return {toPixelsX(90), toPixelsY(375)};
}

QSize windowsOuterSize(const QWidget* w) {
    return w->size() + windowsFrame();
}

QPoint windowsOuterPlace(const QWidget* w) {
    // The outer rectangle Windows would have, centred on the frame the
    // window manager drew: a window centred by the program is centred by
    // its real frame, whatever its title bar.
    const QSize real = w->size() + frameExtra(w);
    const QSize shift = (real - windowsOuterSize(w)) / 2;
    return w->frameGeometry().topLeft() + QPoint(shift.width(), shift.height());
}

QPoint framePlaceFor(const QWidget* w, QPoint windowsOuter) {
    const QSize real = w->size() + frameExtra(w);
    const QSize shift = (real - windowsOuterSize(w)) / 2;
    return windowsOuter - QPoint(shift.width(), shift.height());
}

}  // namespace platform::qt
