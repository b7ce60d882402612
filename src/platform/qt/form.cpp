#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <map>

#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/qt/loaded_forms.h"
#include "platform/system.h"

namespace platform {

namespace {
std::map<Handle, FormImpl*>& handles() {
    static std::map<Handle, FormImpl*> map;
    return map;
}
Handle nextHandle() {
    static Handle next = 0x10010;
    return next += 0x10;
}
// Outer size less client size: the frame and title bar the window manager adds.
QSize frameExtra(const QWidget* w) {
    if (!w->isVisible()) return {0, 0};
    const QSize extra = w->frameGeometry().size() - w->size();
    return {std::max(0, extra.width()), std::max(0, extra.height())};
}
// Changes the stay-on-top state in place. QWidget::setWindowFlag would make
// the window anew, and the new one would lose the activation and the focus.
void setStaysOnTop(QWidget* w, bool top) {
    const Qt::WindowFlags flags = w->windowFlags().setFlag(Qt::WindowStaysOnTopHint, top);
    if (flags == w->windowFlags()) return;
    w->overrideWindowFlags(flags);
    if (QWindow* native = w->windowHandle()) native->setFlags(flags);
}
}  // namespace

FormImpl* FormImpl::fromHandle(Handle h) {
    const auto it = handles().find(h);
    return it == handles().end() ? nullptr : it->second;
}

void FormImpl::applyTabOrder() {
    if (tabOrderSet) return;
    tabOrderSet = true;
    std::stable_sort(tabStops.begin(), tabStops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QWidget* previous = nullptr;
    for (const auto& [index, w] : tabStops) {
        if (!w || w->focusPolicy() == Qt::NoFocus) continue;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

FormWidget::FormWidget(FormImpl& impl, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), impl_(impl) {}

void FormWidget::closeEvent(QCloseEvent* event) {
    // Closing by the close box unloads the window; unload does the hiding.
    event->ignore();
    if (impl_.form) impl_.form->unload();
}

void FormWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || isActiveWindow()) return;
    // Only the window itself losing the focus counts, not one of its controls.
    QWidget* inner = focusWidget();
    if ((inner == nullptr || inner == this) && impl_.form && impl_.form->onLostFocus)
        impl_.form->onLostFocus();
}

void FormWidget::mousePressEvent(QMouseEvent* event) {
    Form* f = impl_.form;
    if (f && f->onMouseDown) {
        const QPoint p = event->position().toPoint();
        f->onMouseDown(qt::buttonCode(event->button()), qt::shiftState(event->modifiers()),
                       qt::toTwipsX(p.x()), qt::toTwipsY(p.y()));
    }
}

Form::Form(const FormStyle& style) : d_(std::make_unique<FormImpl>()) {
    d_->form = this;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style.dialog) flags |= Qt::Dialog;
    if (!style.showInTaskbar) flags |= Qt::Tool;
    d_->widget = new FormWidget(*d_, flags);
    d_->widget->setWindowTitle(qt::qs(style.caption));
    d_->widget->setFixedSize(qt::toPixelsX(style.clientWidth), qt::toPixelsY(style.clientHeight));
    d_->widget->setAttribute(Qt::WA_DeleteOnClose, false);
    d_->handle = nextHandle();
    handles()[d_->handle] = d_.get();
    formLoaded(*d_);
}

Form::~Form() {
    handles().erase(d_->handle);
    if (d_->loaded) formGone(*d_);
    d_->form = nullptr;
    delete d_->widget.data();
}

void Form::show() {
    d_->applyTabOrder();
    d_->widget->show();
    d_->widget->raise();
    d_->widget->activateWindow();
}

void Form::showModal(Form* owner) {
    QWidget* w = d_->widget;
    if (owner) {
        const Qt::WindowFlags flags = w->windowFlags();
        w->setParent(owner->d_->widget, flags);
    }
    w->setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    d_->modalLoop = &loop;
    if (d_->loaded && w->isVisible()) loop.exec();
    d_->modalLoop = nullptr;
}

void Form::hide() {
    d_->widget->hide();
    if (d_->modalLoop) d_->modalLoop->exit();
}

void Form::unload() {
    if (!d_->loaded || d_->unloading) return;
    d_->unloading = true;
    if (onUnload) onUnload();
    d_->widget->hide();
    d_->unloading = false;
    d_->loaded = false;
    if (d_->modalLoop) d_->modalLoop->exit();
    formGone(*d_);
}

bool Form::loaded() const {
    return d_->loaded;
}
bool Form::visible() const {
    return d_->widget->isVisible();
}

void Form::setIcon(const assets::IndexedPicture& picture) {
    d_->widget->setWindowIcon(QIcon(QPixmap::fromImage(qt::toImage(picture))));
}

std::string Form::caption() const {
    return qt::ss(d_->widget->windowTitle());
}

Twips Form::left() const {
    return qt::toTwipsX(d_->widget->frameGeometry().x());
}
Twips Form::top() const {
    return qt::toTwipsY(d_->widget->frameGeometry().y());
}
Twips Form::width() const {
    return qt::toTwipsX(d_->widget->width() + frameExtra(d_->widget).width());
}
Twips Form::height() const {
    return qt::toTwipsY(d_->widget->height() + frameExtra(d_->widget).height());
}

void Form::setLeft(Twips v) {
    QWidget* w = d_->widget;
    w->move(qt::toPixelsX(v), w->frameGeometry().y());
}
void Form::setTop(Twips v) {
    QWidget* w = d_->widget;
    w->move(w->frameGeometry().x(), qt::toPixelsY(v));
}
void Form::setWidth(Twips v) {
    QWidget* w = d_->widget;
    w->setFixedWidth(std::max(0, qt::toPixelsX(v) - frameExtra(w).width()));
}
void Form::setHeight(Twips v) {
    QWidget* w = d_->widget;
    w->setFixedHeight(std::max(0, qt::toPixelsY(v) - frameExtra(w).height()));
}

Form::WindowState Form::windowState() const {
    return d_->widget->windowState() & Qt::WindowMinimized ? Minimized : Normal;
}
void Form::setWindowState(WindowState state) {
    d_->widget->setWindowState(state == Minimized ? Qt::WindowMinimized : Qt::WindowNoState);
}

Handle Form::hWnd() const {
    return d_->handle;
}
bool Form::topMost() const {
    return d_->widget->windowFlags() & Qt::WindowStaysOnTopHint;
}

Twips screenWidth() {
    return qt::toTwipsX(QGuiApplication::primaryScreen()->geometry().width());
}
Twips screenHeight() {
    return qt::toTwipsY(QGuiApplication::primaryScreen()->geometry().height());
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
        const QSize extra = frameExtra(w);
        w->setFixedSize(std::max(0, cx - extra.width()), std::max(0, cy - extra.height()));
    }
    if (!(flags & kNoMove)) w->move(x, y);
    if (flags & kHide) {
        w->hide();
    } else if ((flags & SWP_SHOWWINDOW) || (wasVisible && !w->isVisible())) {
        f->applyTabOrder();
        w->show();
        w->raise();
        w->activateWindow();
    }
    return 1;
}

}  // namespace platform
