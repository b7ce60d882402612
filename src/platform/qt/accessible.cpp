// What a screen reader reads of the program's windows, where Qt's own
// reading falls short: every window says what it is, a single-line box
// gives its text whole, a label gives its text as text even where it has
// a name of its own (the clock), a menu item says whether it is checked
// whatever its state; and what it is told, less what would mislead it.
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"

namespace platform {

namespace {

// A place on the screen in the screen's own pixels, as a reader, a
// magnifier or the window system counts them: Qt's are divided by the
// desktop's scale, around the screen's corner.
QRect onScreen(const QWidget* w, const QRect& r) {
    const QScreen* screen = w->screen();
    if (!screen || r.isNull()) return r;
    const qreal scale = screen->devicePixelRatio();
    const QPoint corner = screen->geometry().topLeft();
    const QPointF at = QPointF(r.topLeft() - corner) * scale + corner;
    return QRectF(at, QSizeF(r.size()) * scale).toAlignedRect();
}

// An object of one of the program's widgets, placed in the screen's pixels.
template <typename Base>
class Placed : public Base {
public:
    using Base::Base;
    QRect rect() const override { return onScreen(this->widget(), Base::rect()); }
};

// A plain widget would be read as a mere filler: a window is a dialog box
// or a window of its own.
QAccessibleInterface* formAccessible(FormWidget* w) {
    const Qt::WindowType type = w->windowType();
    const bool dialog = type == Qt::Dialog || type == Qt::Tool;
    return new Placed<QAccessibleWidget>(w, dialog ? QAccessible::Dialog : QAccessible::Window);
}

// A button: pressed by a reader as by a click.
class ButtonAccessible : public Placed<QAccessibleWidget> {
public:
    explicit ButtonAccessible(QPushButton* button)
        : Placed<QAccessibleWidget>(button, QAccessible::Button) {}
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QString(button()->text()).remove(u'&');
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.defaultButton = button()->isDefault();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name != pressAction()) return QAccessibleWidget::doAction(name);
        if (button()->isEnabled()) button()->click();
    }
};

// The text interface over a widget's whole text, which only reads.
class ReadText : public QAccessibleTextInterface {
public:
    virtual QString whole() const = 0;
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return whole().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(whole().size()); }
    QRect characterRect(int) const override { return {}; }
    // The character drawn at a point of the screen.
    int offsetAtPoint(const QPoint& point) const override {
        for (int i = 0; i < characterCount(); ++i)
            if (characterRect(i).contains(point)) return i;
        return -1;
    }
    void scrollToSubstring(int, int) override {}
    // One run without attributes over the whole text: Qt's own line box
    // answers with an empty run, and Orca then reads none of its text.
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }
};

// A label: its caption is its text; its name is the caption unless the
// program named it. Each character is where the label draws it.
class LabelAccessible : public Placed<QAccessibleWidget>, public ReadText {
public:
    explicit LabelAccessible(QLabel* label)
        : Placed<QAccessibleWidget>(label, QAccessible::StaticText) {}
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
    QString whole() const override { return label()->text(); }
    QRect characterRect(int offset) const override {
        const QString text = whole();
        if (offset < 0 || offset >= text.size()) return {};
        const int margin = label()->margin();
        const QRect inside = label()->contentsRect().adjusted(margin, margin, -margin, -margin);
        const Qt::Alignment align =
            QStyle::visualAlignment(label()->layoutDirection(), label()->alignment());
        QTextLayout layout(QString(text).replace(u'\n', QChar::LineSeparator), label()->font());
        QTextOption option(align);
        option.setWrapMode(label()->wordWrap() ? QTextOption::WordWrap : QTextOption::ManualWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        qreal height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(inside.width());
            line.setPosition({0, height});
            height += line.height();
        }
        layout.endLayout();
        const qreal top = align & Qt::AlignBottom    ? inside.height() - height
                          : align & Qt::AlignVCenter ? (inside.height() - height) / 2
                                                     : 0;
        const QTextLine line = layout.lineForTextPosition(offset);
        const qreal left = line.cursorToX(offset), right = line.cursorToX(offset + 1);
        const QRectF r(inside.x() + std::min(left, right), inside.y() + top + line.y(),
                       std::abs(right - left), line.height());
        const QRect local = r.toAlignedRect();
        return onScreen(label(), QRect(label()->mapToGlobal(local.topLeft()), local.size()));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return whole();
        return QAccessibleWidget::text(t);
    }
    using ReadText::text;
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    // A window that describes itself says its labels in its description:
    // they are that window's, and not read once more one by one (Orca
    // reads a dialog's free labels only where they are of three words or
    // more, and so never a Chinese one).
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override {
        QWidget* window = widget()->window();
        if (!(match & QAccessible::Label) || window->accessibleDescription().isEmpty())
            return QAccessibleWidget::relations(match);
        return {{QAccessible::queryAccessibleInterface(window), QAccessible::Label}};
    }
};

// A text box: its text as its value, its caret and selection, and editing.
class EditAccessible : public Placed<QAccessibleWidget>,
                       public ReadText,
                       public QAccessibleEditableTextInterface {
public:
    EditAccessible(QWidget* box, bool multiLine)
        : Placed<QAccessibleWidget>(box, QAccessible::EditableText), multiLine_(multiLine) {}
    virtual bool readOnly() const = 0;
    virtual void setWhole(const QString& text) = 0;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return whole();
        return QAccessibleWidget::text(t);
    }
    using ReadText::text;
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value) return setWhole(text);
        QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !readOnly();
        s.multiLine = multiLine_;
        s.selectableText = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void deleteText(int start, int end) override { replaceText(start, end, {}); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }

private:
    bool multiLine_;
};

// A single-line box: its text, caret and selection, and editing.
class LineAccessible : public EditAccessible {
public:
    explicit LineAccessible(QLineEdit* box) : EditAccessible(box, false) {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
    }
    QLineEdit* box() const { return static_cast<QLineEdit*>(widget()); }
    QString whole() const override { return box()->text(); }
    bool readOnly() const override { return box()->isReadOnly(); }
    void setWhole(const QString& text) override { box()->setText(text); }

    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !box()->hasSelectedText()) return;
        *start = box()->selectionStart();
        *end = box()->selectionEnd();
    }
    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void removeSelection(int) override { box()->deselect(); }
    void setSelection(int, int start, int end) override { box()->setSelection(start, end - start); }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }
    QRect characterRect(int offset) const override {
        const QFontMetrics metrics(box()->font());
        const QRect inside = box()->contentsRect();
        const int x = inside.x() + metrics.horizontalAdvance(whole().left(offset));
        const int width =
            offset < characterCount() ? metrics.horizontalAdvance(whole().at(offset)) : 0;
        return onScreen(box(),
                        {box()->mapToGlobal(QPoint(x, inside.y())), QSize(width, inside.height())});
    }

    void replaceText(int start, int end, const QString& text) override {
        box()->setText(whole().left(start) + text + whole().mid(end));
    }
};

// A box of several lines, the same for a reader as one of a single line,
// its lines wrapped where the box draws them.
class PlainAccessible : public EditAccessible {
public:
    explicit PlainAccessible(QPlainTextEdit* box) : EditAccessible(box, true) {}
    QPlainTextEdit* box() const { return static_cast<QPlainTextEdit*>(widget()); }
    // Its view and scroll bar are the box itself for a reader.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    // Offsets into the document: a break between paragraphs is one character.
    QString whole() const override {
        return box()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
    }
    bool readOnly() const override { return box()->isReadOnly(); }
    void setWhole(const QString& text) override { box()->setPlainText(text); }

    void selection(int index, int* start, int* end) const override {
        const QTextCursor c = box()->textCursor();
        *start = *end = 0;
        if (index != 0 || !c.hasSelection()) return;
        *start = c.selectionStart();
        *end = c.selectionEnd();
    }
    int selectionCount() const override { return box()->textCursor().hasSelection() ? 1 : 0; }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }
    void setSelection(int, int start, int end) override {
        QTextCursor c = box()->textCursor();
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        box()->setTextCursor(c);
    }
    int cursorPosition() const override { return box()->textCursor().position(); }
    void setCursorPosition(int position) override {
        QTextCursor c = box()->textCursor();
        c.setPosition(position);
        box()->setTextCursor(c);
    }
    QRect characterRect(int offset) const override {
        if (offset < 0 || offset >= characterCount()) return {};
        QTextCursor c(box()->document());
        c.setPosition(offset);
        const QRect at = box()->cursorRect(c);
        c.setPosition(offset + 1);
        const QRect next = box()->cursorRect(c);
        const int width = next.top() == at.top()
                              ? next.left() - at.left()
                              : box()->fontMetrics().horizontalAdvance(whole().at(offset));
        const QWidget* view = box()->viewport();
        return onScreen(box(), {view->mapToGlobal(at.topLeft()), QSize(width, at.height())});
    }

    void replaceText(int start, int end, const QString& text) override {
        QTextCursor c(box()->document());
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        c.insertText(text);
    }
};

// An item of the program's menu. Qt reads a checkable item as a plain
// one, and its AT-SPI bridge does not carry that it can be checked, so
// Orca says the mark of a checked item only: read as a check box, an item
// of a choice says "checked" or "not checked" either way.
class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit MenuItemAccessible(QAction* action) : action_(action) {}
    QMenu* menu() const {
        if (!action_) return nullptr;
        for (QObject* o : action_->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o)) return m;
        return nullptr;
    }
    bool isValid() const override { return menu() != nullptr; }
    QObject* object() const override { return action_; }
    QWindow* window() const override { return menu() ? menu()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(menu());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && action_ ? QString(action_->text()).remove(u'&')
                                                 : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        QMenu* m = menu();
        if (!m) return {};
        const QRect r = m->actionGeometry(action_);
        return onScreen(m, {m->mapToGlobal(r.topLeft()), r.size()});
    }
    QAccessible::Role role() const override {
        if (action_->isSeparator()) return QAccessible::Separator;
        return action_->isCheckable() ? QAccessible::CheckBox : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        QMenu* m = menu();
        s.invisible = !m || !m->isVisible();
        s.disabled = !action_->isEnabled();
        s.focusable = !action_->isSeparator();
        s.focused = m && m->activeAction() == action_;
        s.selected = s.focused;
        s.checkable = action_->isCheckable();
        s.checked = action_->isChecked();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        QMenu* m = menu();
        if (name != pressAction() || !m || !action_->isEnabled()) return;
        m->close();
        action_->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QAction> action_;
};

// The menu around those items, which it finds by their actions.
class MenuAccessible : public Placed<QAccessibleWidget> {
public:
    explicit MenuAccessible(QMenu* menu)
        : Placed<QAccessibleWidget>(menu, QAccessible::PopupMenu) {}
    QMenu* menu() const { return static_cast<QMenu*>(widget()); }
    int childCount() const override { return static_cast<int>(menu()->actions().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QAction*> actions = menu()->actions();
        return index >= 0 && index < actions.size()
                   ? QAccessible::queryAccessibleInterface(actions.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return static_cast<int>(menu()->actions().indexOf(qobject_cast<QAction*>(child->object())));
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (QAction* a : menu()->actions())
            if (QAccessibleInterface* item = QAccessible::queryAccessibleInterface(a);
                item && item->rect().contains(x, y))
                return item;
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        QAction* a = menu()->activeAction();
        return a ? QAccessible::queryAccessibleInterface(a) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return menu()->title();
        return QAccessibleWidget::text(t);
    }
};

// The program as a screen reader finds it: its windows, and its menu
// while that is open (Qt leaves pop-ups out of the application's children,
// so a reader could not find the menu it is in).
class ApplicationAccessible : public QAccessibleObject {
public:
    ApplicationAccessible() : QAccessibleObject(qApp) {}
    static QList<QObject*> windows() {
        QList<QObject*> list;
        for (QWindow* w : QGuiApplication::topLevelWindows())
            if (w->type() != Qt::Desktop && w->type() != Qt::ToolTip)
                if (QAccessibleInterface* root = w->accessibleRoot(); root && root->object())
                    list.append(root->object());
        return list;
    }
    QWindow* window() const override { return nullptr; }
    int childCount() const override { return static_cast<int>(windows().size()); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return static_cast<int>(windows().indexOf(child->object()));
    }
    QAccessibleInterface* child(int index) const override {
        const QList<QObject*> list = windows();
        return index >= 0 && index < list.size()
                   ? QAccessible::queryAccessibleInterface(list.at(index))
                   : nullptr;
    }
    QAccessibleInterface* parent() const override { return nullptr; }
    QAccessibleInterface* focusChild() const override {
        if (QWidget* popup = QApplication::activePopupWidget())
            return QAccessible::queryAccessibleInterface(popup);
        QWindow* w = QGuiApplication::focusWindow();
        return w ? w->accessibleRoot() : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? QGuiApplication::applicationName() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Application; }
    QAccessible::State state() const override { return {}; }
};

QAccessibleInterface* accessibleOf(const QString&, QObject* object) {
    if (object == qApp) return new ApplicationAccessible;
    if (auto* menu = qobject_cast<QMenu*>(object)) return new MenuAccessible(menu);
    if (auto* action = qobject_cast<QAction*>(object)) return new MenuItemAccessible(action);
    if (auto* form = dynamic_cast<FormWidget*>(object)) return formAccessible(form);
    if (auto* box = qobject_cast<QLineEdit*>(object)) return new LineAccessible(box);
    if (auto* button = qobject_cast<QPushButton*>(object)) return new ButtonAccessible(button);
    if (auto* box = qobject_cast<QPlainTextEdit*>(object)) return new PlainAccessible(box);
    // A window's label, which writes plain text; a picture box is a label
    // too, and stays a picture.
    if (auto* label = qobject_cast<QLabel*>(object);
        label && dynamic_cast<FormWidget*>(label->parentWidget()))
        return label->textFormat() == Qt::PlainText
                   ? new LabelAccessible(label)
                   : new Placed<QAccessibleWidget>(label, QAccessible::Graphic);
    return nullptr;
}

// Quiet text boxes, while their edits are not told.
std::vector<QObject*>& quietBoxes() {
    static std::vector<QObject*> boxes;
    return boxes;
}

bool misleads(QAccessibleEvent* e) {
    switch (e->type()) {
        case QAccessible::TextCaretMoved:
        case QAccessible::TextSelectionChanged:
        case QAccessible::TextInserted:
        case QAccessible::TextRemoved:
        case QAccessible::TextUpdated: {
            const auto& quiet = quietBoxes();
            return std::find(quiet.begin(), quiet.end(), e->object()) != quiet.end();
        }
        case QAccessible::Focus: {
            // Nor the keyboard coming to one of its controls meanwhile.
            auto* widget = qobject_cast<QWidget*>(e->object());
            if (!widget) return false;
            if (qt::blockedByModal(widget->window())) return true;
            // Qt tells of a control's focus once its GotFocus has run: a
            // handler that moved the focus on (after a box, say) would have
            // the reader name, last, a control the keys no longer reach.
            return !widget->isWindow() && !qobject_cast<QMenu*>(widget) &&
                   QApplication::focusWidget() != widget;
        }
        case QAccessible::StateChanged: {
            // Qt takes a window for activated once more as a menu opens on it
            // and as the menu closes; told so, Orca leaves the menu's item, or
            // the control the focus came back to, for the window. A window is
            // said to be active or not once for each change.
            QObject* window = e->object();
            if (!static_cast<QAccessibleStateChangeEvent*>(e)->changedStates().active ||
                !dynamic_cast<FormWidget*>(window))
                return false;
            if (QApplication::activePopupWidget()) return true;
            // A window a box keeps the input from may hold the keyboard for
            // a moment as the box opens (a menu's grab let go late): told
            // so, Orca would read the box again when it is active again.
            if (qt::blockedByModal(QApplication::activeWindow())) return true;
            const bool active = static_cast<QWidget*>(window)->isActiveWindow();
            const char* told = "toldActive";
            if (window->property(told).isValid() && window->property(told).toBool() == active)
                return true;
            window->setProperty(told, active);
            return false;
        }
        default:
            return false;
    }
}

// Every event Qt would tell a screen reader passes here first.
void tell(QAccessibleEvent* e) {
    if (misleads(e)) return;
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(e);
    QAccessible::installUpdateHandler(&tell);
}

// While a box is open, the window it blocks can be handed the keyboard for a
// moment (X gives it back as a menu lets go of its grab late) before the box
// takes it again. The screen reader's bridge hears of that from the windows'
// activation events themselves, and would read the box again: neither half
// of the blip reaches it.
class ActivationBlips : public QObject {
public:
    bool inBlip = false;

    bool eventFilter(QObject* o, QEvent* e) override {
        const bool activate = e->type() == QEvent::WindowActivate;
        if ((!activate && e->type() != QEvent::WindowDeactivate) || !o->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(o);
        if (!w->isWindow()) return false;
        if (qt::blockedByModal(w)) {
            // The blocked window takes the keyboard, or gives it back.
            if (!activate && !inBlip) return false;
            inBlip = activate;
            return true;
        }
        if (w == QApplication::activeModalWidget()) {
            // The box loses the keyboard to the window it blocks, or takes
            // it again.
            const QWidget* active = QApplication::activeWindow();
            return activate ? inBlip : active && qt::blockedByModal(active);
        }
        if (activate) inBlip = false;
        return false;
    }
};

}  // namespace

namespace qt {
void hearNoActivationBlips() {
    // Before the bridge's own filter, which was installed on its start.
    static ActivationBlips blips;
    blips.inBlip = false;
    qApp->removeEventFilter(&blips);
    qApp->installEventFilter(&blips);
}

void readByScreenReaders() {
    static const bool installed = (QAccessible::installFactory(&accessibleOf),
                                   QAccessible::installUpdateHandler(&tell), true);
    (void)installed;
}

QuietEdits::QuietEdits(QObject* box) : box_(box) {
    quietBoxes().push_back(box);
}
QuietEdits::~QuietEdits() {
    auto& quiet = quietBoxes();
    quiet.erase(std::find(quiet.begin(), quiet.end(), box_));
}
}  // namespace qt

}  // namespace platform
