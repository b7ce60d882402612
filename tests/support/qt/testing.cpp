#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "platform/hooks.h"
#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/qt/registry.h"
#include "platform/qt/tray.h"
#include "support/testing.h"

namespace platform::testing {

namespace {
QtMessageHandler qtsOwn = nullptr;
// The offscreen platform has no window manager and no X tray: each raise,
// each size hint handed on, is answered with a warning that it cannot, and
// each tray icon made with one that its X signal is missing. They say
// nothing of the program and would bury what does (thousands a run), so
// they stop here; every other message goes on as Qt would print it.
void dropOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support")) ||
        text.contains(QLatin1String("systemTrayWindowChanged")))
        return;
    if (qtsOwn) qtsOwn(type, context, text);
}
}  // namespace

void useTestDisplay() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        qtsOwn = qInstallMessageHandler(&dropOffscreenNotes);
}

void processEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

namespace {

void sendKey(QWidget* w, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(w, &release);
    processEvents();
}

int qtKeyFor(char32_t c) {
    if (c >= 'a' && c <= 'z') return Qt::Key_A + static_cast<int>(c - 'a');
    if (c >= 'A' && c <= 'Z') return Qt::Key_A + static_cast<int>(c - 'A');
    if (c >= '0' && c <= '9') return Qt::Key_0 + static_cast<int>(c - '0');
    if (c == ' ') return Qt::Key_Space;
    return Qt::Key_unknown;
}

void sendMouse(QWidget* w, int button) {
    const Qt::MouseButton b = button == RightButton    ? Qt::RightButton
                              : button == MiddleButton ? Qt::MiddleButton
                                                       : Qt::LeftButton;
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, b, b, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, b, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    processEvents();
}

}  // namespace

void typeText(Control& control, const std::string& text) {
    for (const char32_t c : QString::fromStdString(text).toUcs4())
        sendKey(control.impl().widget, qtKeyFor(c), Qt::NoModifier, QString::fromUcs4(&c, 1));
}

void pressKey(Control& control, int keyCode, int shift) {
    Qt::KeyboardModifiers mods;
    if (shift & ShiftMask) mods |= Qt::ShiftModifier;
    if (shift & CtrlMask) mods |= Qt::ControlModifier;
    if (shift & AltMask) mods |= Qt::AltModifier;
    int key = Qt::Key_unknown;
    QString text;
    if (keyCode >= 'A' && keyCode <= 'Z') {
        key = Qt::Key_A + (keyCode - 'A');
        text = (mods & Qt::ControlModifier) ? QString(QChar(keyCode - 'A' + 1))
                                            : QString(QChar(keyCode));
    } else {
        for (const auto& [qtKey, code] : qt::keyCodes())
            if (code == keyCode) key = qtKey;
        if (keyCode == KeyReturn || keyCode == KeyBack || keyCode == KeyTab ||
            keyCode == KeyEscape || keyCode == KeySpace)
            text = QString(QChar(keyCode == KeyReturn ? '\r' : keyCode));
    }
    // A menu these keys open that is not the program's (a text box's edit
    // menu) would wait for a person: it is closed again.
    if (key == Qt::Key_F10 || key == Qt::Key_Menu)
        QTimer::singleShot(300, qApp, [] {
            if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
        });
    sendKey(control.impl().widget, key, mods, text);
}

void commitInputMethod(TextBox& box, const std::string& text) {
    QInputMethodEvent event;
    event.setCommitString(QString::fromStdString(text));
    QApplication::sendEvent(box.impl().widget, &event);
    processEvents();
}

void paste(TextBox& box, const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    QWidget* w = box.impl().widget;
    if (auto* l = qobject_cast<QLineEdit*>(w))
        l->paste();
    else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        m->paste();
    processEvents();
}

std::string labelShows(const Label& label) {
    auto* shown = qobject_cast<QLabel*>(label.impl().widget);
    return shown ? shown->text().toStdString() : std::string();
}

bool moveToMonitorOfDpi(Form&, int) {
    return false;
}

bool trayLossNoticed() {
    return true;
}

std::optional<TrayPicture> trayPictureAt(const Form& owner, int size) {
    // The icon the tray was last handed for the form, as the tray draws it.
    std::optional<Handle> given;
    for (const auto& [message, data] : notifyCalls())
        if (data.hWnd == static_cast<std::int32_t>(owner.hWnd()) && (data.uFlags & NIF_ICON) &&
            message != NIM_DELETE)
            given = data.hIcon;
    if (!given) return std::nullopt;
    const QImage image = qt::iconFromHandle(*given)
                             .pixmap(QSize(size, size))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    TrayPicture p{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) p.argb.push_back(image.pixel(x, y));
    return p;
}

void click(CommandButton& button) {
    auto* b = static_cast<QPushButton*>(button.impl().widget.data());
    if (!b->isEnabled()) return;
    b->setFocus(Qt::MouseFocusReason);
    b->click();
    processEvents();
}

void mousePress(Control& control, int button) {
    QWidget* w = control.impl().widget;
    // A text box with lines takes its mouse on the area inside its frame.
    if (auto* area = qobject_cast<QPlainTextEdit*>(w)) w = area->viewport();
    sendMouse(w, button);
}
void mousePress(Form& form, int button) {
    sendMouse(form.impl().widget, button);
}

void chooseMenuItem(MenuItem& item) {
    item.impl().action->trigger();
    processEvents();
}

void closeByCloseBox(Form& form) {
    form.impl().widget->close();
    processEvents();
}

void bringAnotherWindowForward() {
    QWidget other;
    other.setWindowTitle(QStringLiteral("another program"));
    other.show();
    other.raise();
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    processEvents();
}

void restoreFromTaskbar(Form& form) {
    QWidget* w = form.impl().widget;
    w->showNormal();
    w->activateWindow();
    processEvents();
}

void setRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                      const std::string& data) {
    platform::setRegistryValue(key, name, type, data);
}

void clearRegistry() {
    platform::clearRegistry();
}

void typeWhereTheFocusIs(const std::string& text) {
    // Through the window system, to the window with the input focus: a
    // window that a modal box blocks gets none of them.
    processEvents();
    for (const char32_t c : QString::fromStdString(text).toUcs4()) {
        QWindow* target = QGuiApplication::focusWindow();
        if (!target) return;
        const auto key = static_cast<Qt::Key>(qtKeyFor(c));
        QTest::sendKeyEvent(QTest::Click, target, key, QString::fromUcs4(&c, 1), Qt::NoModifier);
        processEvents();
    }
}

bool aBoxIsActive() {
    return qobject_cast<QMessageBox*>(QApplication::activeWindow()) != nullptr;
}

// The title bar is the window manager's: tests/e2e measures it there.
std::optional<BoxTitleFit> activeBoxTitleFit() {
    return std::nullopt;
}

// The offscreen display stacks nothing.
std::optional<bool> boxesAbove(const Form&) {
    return std::nullopt;
}

}  // namespace platform::testing

namespace platform::testing {

TextFit textFit(const Control& control) {
    QWidget* w = control.impl().widget;
    const QFontMetricsF metrics(w->font());
    TextFit fit;
    QRect room = w->contentsRect();
    QSizeF size;
    int lines = 0;
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        size = metrics.size(Qt::TextShowMnemonic, button->text());
        lines = 1;
    } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = box->hasFrame() ? 1 : 0;
        room = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
        size = metrics.size(Qt::TextSingleLine, box->text());
        lines = box->text().isEmpty() ? 0 : 1;
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        size = qt::wrappedSize(label->font(), room.width(), label->text());
        lines = label->text().isEmpty()
                    ? 0
                    : static_cast<int>(std::lround(size.height() / metrics.height()));
    }
    fit.width = static_cast<int>(std::ceil(size.width()));
    fit.height = static_cast<int>(std::ceil(size.height()));
    fit.lines = lines;
    fit.roomWidth = room.width();
    fit.roomHeight = room.height();
    return fit;
}

int textWidth(const Control& control, const std::string& prefix) {
    const QFontMetricsF metrics(control.impl().widget->font());
    return static_cast<int>(std::lround(metrics.horizontalAdvance(qt::qs(prefix))));
}

PixelRect pixelRect(const Control& control) {
    const QRect r = control.impl().widget->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

bool isForeground(const Form& form) {
    return form.impl().widget->isActiveWindow();
}
bool holdsKeyboardFocus(const Control& control) {
    QWidget* w = control.impl().widget;
    return QApplication::focusWidget() == w && w->window()->isActiveWindow();
}

Pixels capture(const Form& form) {
    const QImage image = form.impl().widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Pixels p;
    p.width = image.width();
    p.height = image.height();
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.rgb.push_back(image.pixel(x, y) & 0xFFFFFF);
    return p;
}

namespace {
std::string accessibleText(QWidget* w, QAccessible::Text which) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? qt::ss(a->text(which)) : std::string();
}
}  // namespace

std::string accessibleName(const Control& control) {
    return accessibleText(control.impl().widget, QAccessible::Name);
}
std::string accessibleDescription(const Control& control) {
    return accessibleText(control.impl().widget, QAccessible::Description);
}
std::string accessibleDescription(const Form& form) {
    return accessibleText(form.impl().widget, QAccessible::Description);
}
bool listenToNameChanges() {
    return false;
}
std::vector<std::string> nameChangesHeard() {
    return {};
}

}  // namespace platform::testing
