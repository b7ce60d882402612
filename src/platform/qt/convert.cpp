#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTextLayout>
#include <QVariant>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <map>

#include "platform/qt/impl.h"
#include "platform/test_seams.h"

namespace platform::qt {

namespace {
double dpiX() {
    if (dpiOverride() > 0) return dpiOverride();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY() {
    if (dpiOverride() > 0) return dpiOverride();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}
}  // namespace

int toPixelsX(Twips t) {
    return static_cast<int>(std::lround(t * dpiX() / 1440.0));
}
int toPixelsY(Twips t) {
    return static_cast<int>(std::lround(t * dpiY() / 1440.0));
}
Twips toTwipsX(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpiX()));
}
Twips toTwipsY(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpiY()));
}

QImage toImage(const assets::IndexedPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        const char* row = picture.rows[y];
        for (int x = 0; x < picture.width; ++x) {
            const char c = row[x];
            const int index = c >= 'a' ? c - 'a' + 10 : c - '0';
            image.setPixel(x, y, picture.palette[static_cast<std::size_t>(index & 15)]);
        }
    }
    return image;
}

int shiftState(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= ShiftMask;
    if (modifiers & Qt::ControlModifier) shift |= CtrlMask;
    if (modifiers & Qt::AltModifier) shift |= AltMask;
    return shift;
}

int buttonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return LeftButton;
        case Qt::RightButton:
            return RightButton;
        case Qt::MiddleButton:
            return MiddleButton;
        default:
            return 0;
    }
}

const std::vector<std::pair<int, int>>& keyCodes() {
    static const std::vector<std::pair<int, int>> codes{
        {Qt::Key_Return, KeyReturn}, {Qt::Key_Enter, KeyReturn},  {Qt::Key_Backspace, KeyBack},
        {Qt::Key_Tab, KeyTab},       {Qt::Key_Escape, KeyEscape}, {Qt::Key_Space, KeySpace},
        {Qt::Key_End, KeyEnd},       {Qt::Key_Home, KeyHome},     {Qt::Key_Left, KeyLeft},
        {Qt::Key_Up, KeyUp},         {Qt::Key_Right, KeyRight},   {Qt::Key_Down, KeyDown},
        {Qt::Key_Delete, KeyDelete}};
    return codes;
}

namespace {
// Lays the text out in lines no wider than `width`; gives their height.
qreal layOut(QTextLayout& layout, int width) {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition({0, y});
        y += line.height();
    }
    layout.endLayout();
    return y;
}
}  // namespace

QSizeF wrappedSize(const QFont& font, int width, const QString& text) {
    QTextLayout layout(text, font);
    const qreal height = layOut(layout, width);
    qreal widest = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
    return {widest, height};
}

void drawWrapped(QPainter& painter, const QFont& font, const QRect& rect, const QString& text) {
    QTextLayout layout(text, font);
    layOut(layout, rect.width());
    painter.setClipRect(rect);
    layout.draw(&painter, rect.topLeft());
}

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
    if (w->isVisible() && extra.width() > 0 && extra.height() > 0) {
        lastSeen = extra;
        const_cast<QWidget*>(w)->setProperty("tockmereFrame", extra);
        return extra;
    }
    const QVariant own = w->property("tockmereFrame");
    return own.isValid() ? own.toSize() : lastSeen;
}

namespace {
std::map<Handle, QIcon>& icons() {
    static std::map<Handle, QIcon> all;
    return all;
}
}  // namespace

Handle iconHandle(const QIcon& icon) {
    const Handle h = static_cast<Handle>(0x20000 + icons().size() * 4);
    icons()[h] = icon;
    return h;
}

QIcon iconFromHandle(Handle handle) {
    const auto it = icons().find(handle);
    return it == icons().end() ? QIcon() : it->second;
}

int characterCount(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!s.at(i).isLowSurrogate()) ++n;
    return n;
}

qsizetype unitIndex(const QString& s, int characters) {
    qsizetype i = 0;
    for (int n = 0; n < characters && i < s.size(); ++n)
        i += s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate() ? 2 : 1;
    return i;
}

}  // namespace platform::qt
