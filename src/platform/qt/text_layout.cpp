// Text wrapped as the controls wrap it: its size, and drawing it.
#include <QTextLayout>
#include <algorithm>

#include "platform/qt/impl.h"

namespace platform::qt {

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

}  // namespace platform::qt
