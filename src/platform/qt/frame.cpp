// The size the window manager's frame adds to a window.
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

}  // namespace platform::qt
