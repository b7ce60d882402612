// The size the window manager's frame adds to a window, and the frame
// Windows would draw instead, by which the program gives sizes and places.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMargins>
#include <QPointF>
#include <QSizeF>
#include <QVariant>
#include <QWindow>
#include <cmath>
#include <optional>

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

namespace {

// The frame round the window: as the window manager says it on X11, where
// Qt may hear of a frame only at the window's next move; else as Qt has it.
// A window without a frame yet (not shown, or not yet framed) will get the
// one it had before, or else the one the last framed window got. In pixels
// of a screen at 100 %: at 200 % a frame of odd size has half pixels.
// `told` says whether the window manager has told it.
QMarginsF frameOf(const QWidget* w, bool* told = nullptr) {
    static QMarginsF lastSeen;
    if (w->isVisible() && !w->isMinimized()) awaitFrame(const_cast<QWidget*>(w));
    // Qt's frame: its left border and title bar. Its right and bottom are
    // read off a frame the window manager may not yet have fitted to the
    // window's new size (i3, just after mapping it), so the borders are
    // taken to be alike on the three sides without the title bar.
    const QRect outer = w->frameGeometry(), inner = w->geometry();
    const qreal border = inner.left() - outer.left();
    QMarginsF frame(border, inner.top() - outer.top(), border, border);
    if (w->isVisible()) {
        // X counts in the screen's pixels.
        if (const std::optional<QMargins> extents = x11FrameExtents(w)) {
            frame = QMarginsF(*extents) / w->devicePixelRatioF();
            if (told) *told = true;
        }
    }
    // A frame may be a title bar alone (mutter's has no side borders).
    if (w->isVisible() && !frame.isNull()) {
        lastSeen = frame;
        const_cast<QWidget*>(w)->setProperty("tockmereFrame", QVariant::fromValue(frame));
        return frame;
    }
    const QVariant own = w->property("tockmereFrame");
    return own.isValid() ? own.value<QMarginsF>() : lastSeen;
}

// How far the real frame's corner lies from that of the outer rectangle
// Windows would have, both centred on one point.
QPointF shiftFromWindows(const QWidget* w, const QMarginsF& frame) {
    const QSizeF real = QSizeF(w->size()).grownBy(frame);
    const QSizeF shift = (real - QSizeF(windowsOuterSize(w))) / 2;
    return {shift.width(), shift.height()};
}

}  // namespace

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

namespace {

QPoint outerPlace(const QWidget* w, const QMarginsF& frame) {
    // The outer rectangle Windows would have, centred on the frame the
    // window manager drew: a window centred by the program is centred by
    // its real frame, whatever its title bar.
    // Until it is shown again, the window is where Qt holds its frame to be.
    const QPointF corner =
        w->isVisible() ? QPointF(w->geometry().topLeft()) - QPointF(frame.left(), frame.top())
                       : QPointF(w->frameGeometry().topLeft());
    // Half pixels round down here and up where the window is placed, so that
    // a place given is the place read back.
    const QPointF outer = corner + shiftFromWindows(w, frame);
    return {static_cast<int>(std::ceil(outer.x() - 0.5)),
            static_cast<int>(std::ceil(outer.y() - 0.5))};
}

// Puts the frame `real` of the window at `at`.
void moveFrameWith(QWidget* w, QPointF at, const QMarginsF& real) {
    const auto roundUp = [](QPointF p) {
        return QPoint(static_cast<int>(std::floor(p.x() + 0.5)),
                      static_cast<int>(std::floor(p.y() + 0.5)));
    };
    // A window not on the screen has its frame put round it as it is shown.
    if (!w->isVisible()) {
        w->move(roundUp(at));
        return;
    }
    // Qt puts the client area where it thinks the frame leaves it; a frame
    // it has not heard of yet would put the window off by its title bar.
    const QPoint client = roundUp(at + QPointF(real.left(), real.top()));
    const QPoint qtOffset = w->geometry().topLeft() - w->frameGeometry().topLeft();
    w->move(client - qtOffset);
}

}  // namespace

QPoint windowsOuterPlace(const QWidget* w) {
    return outerPlace(w, frameOf(w));
}

void moveFrame(QWidget* w, QPointF frame) {
    moveFrameWith(w, frame, w->isVisible() ? frameOf(w) : QMarginsF());
}

// A window placed before its window manager told its frame: the outer
// rectangle's corner the program gave, to place it by once the frame is told.
constexpr char kPlacedUnframed[] = "tockmerePlacedUnframed";

void placeWindowsOuter(QWidget* w, std::optional<int> left, std::optional<int> top) {
    // The frame is asked for once for the whole move: on X11 each asking is
    // a round trip to the server.
    bool told = false;
    const QMarginsF frame = frameOf(w, &told);
    QPoint outer;
    if (left && top) {
        outer = {*left, *top};
    } else {
        const QPoint now = outerPlace(w, frame);
        outer = {left.value_or(now.x()), top.value_or(now.y())};
    }
    w->setProperty(kPlacedUnframed, told ? QVariant() : QVariant(outer));
    moveFrameWith(w, QPointF(outer) - shiftFromWindows(w, frame), frame);
}

void frameTold(QWidget* w) {
    // Only the first frame told after the program placed the window counts:
    // a window the user has moved since stays where it is.
    const QVariant placed = w->property(kPlacedUnframed);
    if (!placed.isValid() || !w->isVisible()) return;
    w->setProperty(kPlacedUnframed, QVariant());
    const QPoint outer = placed.toPoint();
    placeWindowsOuter(w, outer.x(), outer.y());
}

}  // namespace platform::qt
