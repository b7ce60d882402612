#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <cmath>

#include "platform/fonts.h"
#include "platform/hooks.h"
#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/shared/focus.h"

namespace platform {

bool ControlEvents::eventFilter(QObject* watched, QEvent* event) {
    Control* c = impl_.control;
    if (!c || watched != impl_.widget) return false;
    if (event->type() == QEvent::MouseButtonPress && c->onMouseDown) {
        const auto* m = static_cast<QMouseEvent*>(event);
        const QPoint p = m->position().toPoint();
        c->onMouseDown(qt::buttonCode(m->button()), qt::shiftState(m->modifiers()),
                       qt::toTwipsX(p.x()), qt::toTwipsY(p.y()));
        return true;  // a label's press must not reach the window behind it too
    }
    if (event->type() == QEvent::FocusIn && !impl_.ownsFocusEvents) impl_.focusIn();
    if (event->type() == QEvent::KeyPress && qt::isMenuKey(static_cast<QKeyEvent*>(event))) {
        if (c->onMenuKey) {
            c->onMenuKey();
            return true;
        }
        // Shift+F10 opens a box's own menu, as the Menu key does.
        QWidget* w = impl_.widget;
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_F10 &&
            (w->inherits("QLineEdit") || w->inherits("QPlainTextEdit"))) {
            const QPoint at = w->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, w->mapToGlobal(at));
            QCoreApplication::sendEvent(w, &menu);
            return true;
        }
    }
    // The Menu key also asks for the control's own menu; the key itself has
    // opened the program's.
    if (event->type() == QEvent::ContextMenu && c->onMenuKey &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
        return true;
    return false;
}

void ControlImpl::attach(Form& owner, QWidget* w) {
    form = &owner.impl();
    widget = w;
    w->setParent(owner.impl().widget);
    w->installEventFilter(&events);
    w->show();
}

void ControlImpl::keepOneLine() {
    if (!label) return;
    const int line = static_cast<int>(std::ceil(QFontMetricsF(widget->font()).height()));
    if (widget->height() < line) widget->resize(widget->width(), line);
}

void ControlImpl::focusIn() {
    // Qt hands the focus on within a window that it takes for active while
    // the window is hidden; that is no visit of the user's.
    if (form && widget->window()->isVisible()) noteFocus(form->activeControl, widget, control);
}

Control::Control(std::unique_ptr<ControlImpl> impl) : d_(std::move(impl)) {
    d_->control = this;
}

Control::~Control() {
    d_->control = nullptr;
    delete d_->widget.data();
}

void Control::move(Twips left, Twips top, Twips width, Twips height) {
    d_->widget->setGeometry(qt::toPixelsX(left), qt::toPixelsY(top), qt::toPixelsX(width),
                            qt::toPixelsY(height));
    d_->keepOneLine();
}
Twips Control::left() const {
    return qt::toTwipsX(d_->widget->x());
}
Twips Control::top() const {
    return qt::toTwipsY(d_->widget->y());
}
Twips Control::width() const {
    return qt::toTwipsX(d_->widget->width());
}
Twips Control::height() const {
    return qt::toTwipsY(d_->widget->height());
}

void Control::setFont(const Font& font) {
    QFont f(qt::qs(font.name));
    QStringList families{qt::qs(font.name)};
    for (const char* face : kFallbackFaces) families << qt::qs(face);
    f.setFamilies(families);
    d_->points = font.points;
    if (dpiOverride() > 0)
        f.setPixelSize(static_cast<int>(std::lround(font.points * dpiOverride() / 72.0)));
    else
        f.setPointSizeF(font.points);
    f.setBold(font.bold);
    d_->widget->setFont(f);
    d_->keepOneLine();
}

void Control::setForeColor(Color color) {
    d_->foreColor = color;
    QPalette p = d_->widget->palette();
    const QColor c(color.red, color.green, color.blue);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    d_->widget->setPalette(p);
}

Color Control::foreColor() const {
    return d_->foreColor;
}
double Control::fontPoints() const {
    return d_->points;
}

void Control::setEnabled(bool enabled) {
    d_->widget->setEnabled(enabled);
}
bool Control::enabled() const {
    return d_->widget->isEnabled();
}

void Control::setTabIndex(int index) {
    d_->form->tabStops.emplace_back(index, d_->widget);
}

void Control::setFocus() {
    QWidget* w = d_->widget;
    if (!w->window()->isVisible()) d_->form->focusOnShow = w;
    if (QWidget* window = w->window(); window->isVisible() && !window->isActiveWindow()) {
        qt::activate(window);
    }
    w->setFocus(Qt::OtherFocusReason);
}

bool Control::hasFocus() const {
    return QApplication::focusWidget() == d_->widget;
}

void Control::setAccessibleName(const std::string& name) {
    d_->widget->setAccessibleName(qt::qs(name));
}
void Control::setAccessibleDescription(const std::string& description) {
    d_->widget->setAccessibleDescription(qt::qs(description));
}
void Control::setLabelledBy(Label& label) {
    label.impl().labelled.emplace_back(d_->widget, true);
    setAccessibleName(label.caption());
}
void Control::setDescribedBy(Label& label) {
    label.impl().labelled.emplace_back(d_->widget, false);
    setAccessibleDescription(label.caption());
}

namespace {
// A label that wraps its text as the program's labels do: at a space,
// between any two Chinese characters, and inside a word longer than the line.
class WrappingLabel : public QLabel {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        qt::drawWrapped(p, font(), contentsRect(), text());
    }
};
}  // namespace

Label::Label(Form& form) : Control(std::make_unique<ControlImpl>()) {
    auto* label = new WrappingLabel;
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    d_->label = true;
    d_->attach(form, label);
    label->lower();  // labels lie beneath the controls that overlap them
}

void Label::setCaption(const std::string& caption) {
    const QString text = qt::qs(caption);
    static_cast<QLabel*>(d_->widget.data())->setText(text);
    for (const auto& [w, name] : d_->labelled) {
        if (!w) continue;
        if (name)
            w->setAccessibleName(text);
        else
            w->setAccessibleDescription(text);
    }
}
std::string Label::caption() const {
    return qt::ss(static_cast<QLabel*>(d_->widget.data())->text());
}

Twips Label::wrappedHeight() const {
    const auto* label = static_cast<QLabel*>(d_->widget.data());
    return qt::toTwipsY(static_cast<int>(std::ceil(
        qt::wrappedSize(label->font(), label->contentsRect().width(), label->text()).height())));
}

CommandButton::CommandButton(Form& form) : Control(std::make_unique<ControlImpl>()) {
    auto* button = new QPushButton;
    button->setAutoDefault(false);
    // A press on a button, even a disabled one, is not one on the window.
    button->setAttribute(Qt::WA_NoMousePropagation);
    QObject::connect(button, &QPushButton::clicked, [this] {
        if (onClick) onClick();
    });
    d_->attach(form, button);
}

void CommandButton::setCaption(const std::string& caption) {
    static_cast<QPushButton*>(d_->widget.data())->setText(qt::qs(caption));
}
std::string CommandButton::caption() const {
    return qt::ss(static_cast<QPushButton*>(d_->widget.data())->text());
}

void CommandButton::setDefault(bool isDefault) {
    d_->form->defaultButton = isDefault ? d_->widget.data() : nullptr;
}
void CommandButton::setCancel(bool isCancel) {
    d_->form->cancelButton = isCancel ? d_->widget.data() : nullptr;
}

PictureBox::PictureBox(Form& form) : Control(std::make_unique<ControlImpl>()) {
    auto* label = new QLabel;
    label->setFocusPolicy(Qt::NoFocus);
    d_->attach(form, label);
    label->lower();
}

void PictureBox::setPicture(const assets::IndexedPicture& picture) {
    auto* label = static_cast<QLabel*>(d_->widget.data());
    label->setPixmap(QPixmap::fromImage(qt::toImage(picture)));
    label->resize(picture.width, picture.height);
}

namespace {
// Paints one straight line across its own rectangle.
class LineWidget : public QWidget {
public:
    LineWidget(QColor color, int width) : color_(color), width_(width) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    // From one point of the window to another.
    void place(QPoint a, QPoint b) {
        const QRect box = QRect(a, b).normalized().adjusted(0, 0, width_, width_);
        from_ = a - box.topLeft();
        to_ = b - box.topLeft();
        setGeometry(box);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(color_, width_));
        p.drawLine(from_, to_);
    }

private:
    QPoint from_, to_;
    QColor color_;
    int width_;
};
}  // namespace

Line::Line(Form& form, Twips x1, Twips y1, Twips x2, Twips y2, Color color, int widthPixels)
    : d_(std::make_unique<ControlImpl>()) {
    auto* w = new LineWidget(QColor(color.red, color.green, color.blue), widthPixels);
    w->setParent(form.impl().widget);
    d_->widget = w;
    move(x1, y1, x2, y2);
    w->show();
}

void Line::move(Twips x1, Twips y1, Twips x2, Twips y2) {
    static_cast<LineWidget*>(d_->widget.data())
        ->place({qt::toPixelsX(x1), qt::toPixelsY(y1)}, {qt::toPixelsX(x2), qt::toPixelsY(y2)});
}

Line::~Line() {
    delete d_->widget.data();
}

}  // namespace platform
