#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <map>

#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/qt/loaded_forms.h"
#include "platform/qt/tray.h"
#include "platform/shared/focus.h"
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

}  // namespace

FormImpl* FormImpl::fromHandle(Handle h) {
    const auto it = handles().find(h);
    return it == handles().end() ? nullptr : it->second;
}

void FormImpl::applyTabOrder() {
    if (tabOrderSet) return;
    tabOrderSet = true;
    sortTabStops(tabStops);
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
    // Brought up from the task bar by the user: in use, on the screen.
    if (event->type() == QEvent::WindowStateChange && impl_.kept == FormImpl::Kept::Taskbar &&
        isVisible() && !isMinimized())
        impl_.keep(FormImpl::Kept::Screen);
    if (event->type() != QEvent::ActivationChange || passingOn_) return;
    if (isActiveWindow()) {
        // Made active while hidden (the window a box or About came back to):
        // it passes the activation on to a window of the program on screen,
        // or to none, so that no key goes to a control nobody sees.
        if (!isVisible()) passActivationOn();
        return;
    }
    // Only the window itself losing the focus counts, not one of its controls.
    QWidget* inner = focusWidget();
    if ((inner == nullptr || inner == this) && impl_.form && impl_.form->onLostFocus)
        impl_.form->onLostFocus();
}

void FormWidget::passActivationOn() {
    passingOn_ = true;
    QWidget* next = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && !w->isMinimized() && w->windowType() != Qt::Popup)
            next = w;
    if (next)
        next->activateWindow();
    else
        QApplication::setActiveWindow(nullptr);
    passingOn_ = false;
}

void FormWidget::mousePressEvent(QMouseEvent* event) {
    Form* f = impl_.form;
    if (f && f->onMouseDown) {
        const QPoint p = event->position().toPoint();
        f->onMouseDown(qt::buttonCode(event->button()), qt::shiftState(event->modifiers()),
                       qt::toTwipsX(p.x()), qt::toTwipsY(p.y()));
    }
}

void FormWidget::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QWidget* target = nullptr;
    if (enter) {
        // A button with the focus takes Enter itself.
        QWidget* focused = focusWidget();
        target = qobject_cast<QPushButton*>(focused) ? focused : impl_.defaultButton.data();
    } else if (event->key() == Qt::Key_Escape) {
        target = impl_.cancelButton;
    }
    if (auto* button = qobject_cast<QPushButton*>(target); button && button->isEnabled())
        return button->click();
    QWidget::keyPressEvent(event);
}

namespace qt {

namespace {
// Whether `modal` keeps the input from `window`: modal to the whole
// program, or owned by it (through the boxes between).
bool blocks(const QWidget* modal, const QWidget* window) {
    if (modal->windowModality() == Qt::ApplicationModal) return true;
    for (const QWidget* p = modal->parentWidget(); p; p = p->parentWidget())
        if (p->window() == window) return true;
    return false;
}
}  // namespace

bool blockedByModal(const QWidget* window) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && window && modal != window && modal->isVisible() && blocks(modal, window);
}

QWidget* activate(QWidget* window) {
    window->raise();
    if (blockedByModal(window)) window = QApplication::activeModalWidget();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace qt

Form::Form(const FormStyle& style) : d_(std::make_unique<FormImpl>()) {
    qt::readByScreenReaders();
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
    d_->wndProc = reinterpret_cast<LongPtr>(&defaultWindowProc);
    handles()[d_->handle] = d_.get();
    formLoaded(*d_);
}

Form::~Form() {
    forgetTrayIcons(d_->handle);
    handles().erase(d_->handle);
    if (d_->loaded) formGone(*d_);
    d_->form = nullptr;
    delete d_->widget.data();
}

namespace {
// Some window managers (i3, mutter) place a window mapped again by its
// client's old position, which moves the frame by its own size each time.
void putBackWhereItsFrameWas(QWidget* widget, const FormImpl::Place& back) {
    if (!widget->windowHandle()) return;
    qt::awaitFrame(widget);
    // X is asked where the window is: Qt may not yet have heard of the
    // frame it was put in, and would count the move from a frame of no
    // size.
    const std::optional<QPoint> client = qt::x11ClientPosition(widget);
    if (client && back.x11Client) {
        if (*client != *back.x11Client) qt::moveX11Client(widget, *back.x11Client);
    } else if (widget->frameGeometry().topLeft() != back.frame) {
        qt::moveFrame(widget, back.frame);
    }
}

// Hidden and shown again within a moment, the window can hold X's keyboard
// focus while Qt, told of its hiding after its coming back, takes no window
// for active and drops the keys typed.
void activateIfXFocusKept(const QPointer<FormWidget>& widget) {
    QTimer::singleShot(250, widget, [w = widget] {
        if (w->isVisible() && !QApplication::activeWindow() && qt::programHoldsX11Focus())
            QApplication::setActiveWindow(w);
    });
}
}  // namespace

void FormImpl::keep(Kept to) {
    const Kept from = kept;
    kept = to;
    switch (to) {
        case Kept::Screen:
            if (from == Kept::Taskbar || from == Kept::TrayMinimized) widget->showNormal();
            widget->show();
            break;
        case Kept::Tray:
        case Kept::TrayMinimized:
            // Withdrawn as it is: on X11 leaving the minimised state asks the
            // window manager to map the window, and one that acts on the
            // request after the hiding would put the window back on the
            // screen with the program holding it hidden.
            if (widget->windowState() & Qt::WindowMinimized) kept = Kept::TrayMinimized;
            widget->hide();
            break;
        case Kept::Taskbar:
            widget->showMinimized();
            break;
    }
}

void FormImpl::showWindow() {
    applyTabOrder();
    // Showing never moves the focus: it goes back to the control that had
    // it, or to the one the program chose meanwhile.
    QWidget* focus = focusOnShow ? focusOnShow.data() : activeControl.data();
    focusOnShow = nullptr;
    std::optional<Place> back;
    if (!widget->isVisible() && kept != Kept::TrayMinimized) back = hiddenAt;
    hiddenAt.reset();
    keep(Kept::Screen);
    if (back) putBackWhereItsFrameWas(widget, *back);
    // Behind a box the focus stays where the box will give it back: a
    // control's visit now would run its checks while the box waits.
    if (focus && focus->isEnabled() && !qt::blockedByModal(widget))
        focus->setFocus(Qt::ActiveWindowFocusReason);
    qt::activate(widget);
    activateIfXFocusKept(widget);
}

void FormImpl::trayGone() {
    if (!loaded || kept == Kept::Taskbar || widget->isVisible()) return;
    keep(Kept::Taskbar);
}

void FormImpl::trayBack() {
    // A window shown again since (restore, a reminder, the user from the
    // task bar) is in use and stays. One still in the task bar goes back to
    // the tray, even when the window manager that went away left it shown.
    if (kept == Kept::Taskbar) keep(Kept::Tray);
}

void Form::show() {
    d_->showWindow();
}

void Form::showModal(Form* owner) {
    QWidget* w = d_->widget;
    if (owner) {
        const Qt::WindowFlags flags = w->windowFlags();
        w->setParent(owner->d_->widget, flags);
    }
    // Modal to its owner only, so that the tray goes on working.
    w->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    qt::hearNoActivationBlips();
    show();
    QEventLoop loop;
    d_->modalLoop = &loop;
    if (d_->loaded && w->isVisible()) loop.exec();
    d_->modalLoop = nullptr;
}

void Form::hide() {
    if (d_->widget->isVisible())
        d_->hiddenAt = {d_->widget->frameGeometry().topLeft(), qt::x11ClientPosition(d_->widget)};
    // Without a notification area the window would be out of reach: it goes
    // to the task bar instead.
    d_->keep(trayNeedsTaskbar(d_->handle) ? FormImpl::Kept::Taskbar : FormImpl::Kept::Tray);
    if (d_->modalLoop) d_->modalLoop->exit();
}

namespace {
// A window that goes away while it holds the keyboard hands it to the main
// window, or to the box in front of it, where one is shown: not every window
// manager gives it to anyone, and a keyboard user would be left with no
// window to type into.
void handKeyboardBack(QWidget* leaving, bool wasActive) {
    QWidget* main = mainWindow();
    if (!wasActive || !main || main == leaving || !main->isVisible() || main->isMinimized()) return;
    qt::activate(main);
}
}  // namespace

void Form::unload() {
    if (!d_->loaded || d_->unloading) return;
    d_->unloading = true;
    if (onUnload) onUnload();
    const bool wasActive = d_->widget->isActiveWindow();
    d_->widget->hide();
    handKeyboardBack(d_->widget, wasActive);
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
    d_->icon = qt::iconHandle(picture);
    d_->widget->setWindowIcon(qt::iconFromHandle(d_->icon));
}

Handle Form::iconHandle() const {
    return d_->icon;
}

std::string Form::caption() const {
    return qt::ss(d_->widget->windowTitle());
}

void Form::setAccessibleDescription(const std::string& description) {
    d_->widget->setAccessibleDescription(qt::qs(description));
}

Twips Form::left() const {
    return qt::toTwipsX(qt::windowsOuterPlace(d_->widget).x());
}
Twips Form::top() const {
    return qt::toTwipsY(qt::windowsOuterPlace(d_->widget).y());
}
Twips Form::width() const {
    return qt::toTwipsX(qt::windowsOuterSize(d_->widget).width());
}
Twips Form::height() const {
    return qt::toTwipsY(qt::windowsOuterSize(d_->widget).height());
}

void Form::setLeft(Twips v) {
    QWidget* w = d_->widget;
    d_->hiddenAt.reset();  // placed anew by the program
    qt::placeWindowsOuter(w, qt::toPixelsX(v), std::nullopt);
}
void Form::setTop(Twips v) {
    QWidget* w = d_->widget;
    d_->hiddenAt.reset();  // placed anew by the program
    qt::placeWindowsOuter(w, std::nullopt, qt::toPixelsY(v));
}
void Form::setWidth(Twips v) {
    QWidget* w = d_->widget;
    w->setFixedWidth(std::max(1, qt::toPixelsX(v) - qt::windowsFrame().width()));
}
void Form::setHeight(Twips v) {
    // Collapsed, the window keeps its title bar and one pixel of itself: a
    // window of no size would count as not shown any more.
    QWidget* w = d_->widget;
    w->setFixedHeight(std::max(1, qt::toPixelsY(v) - qt::windowsFrame().height()));
}

Form::WindowState Form::windowState() const {
    if (d_->kept == FormImpl::Kept::TrayMinimized) return Normal;  // as it will show
    return d_->widget->windowState() & Qt::WindowMinimized ? Minimized : Normal;
}
void Form::setWindowState(WindowState state) {
    // A window kept in the task bar in place of the tray stays there; one
    // hidden from there takes its state when it shows.
    if (d_->kept == FormImpl::Kept::Taskbar || d_->kept == FormImpl::Kept::TrayMinimized) return;
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

}  // namespace platform
