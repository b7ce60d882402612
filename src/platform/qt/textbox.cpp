#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QValidator>
#include <vector>

#include "platform/qt/impl.h"

namespace platform {

namespace {

// The key code a key-down handler sees.
int keyCodeOf(const QKeyEvent* e) {
    const int key = e->key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    for (const auto& [qtKey, code] : qt::keyCodes())
        if (qtKey == key) return code;
    return 0;
}

// The characters a key press types, as a key-press handler sees them: the
// control codes of Ctrl+letter, Backspace, Enter and Escape included.
std::vector<int> typedCharacters(const QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Backspace) return {KeyBack};
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return {KeyReturn};
    if (key == Qt::Key_Escape) return {KeyEscape};
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return {};
    if ((e->modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return {key - Qt::Key_A + 1};
    std::vector<int> chars;
    for (const char32_t c : e->text().toUcs4())
        if (c >= 32 && c != 127) chars.push_back(static_cast<int>(c));
    return chars;
}

// Takes from `text` at most `room` characters, ending on a whole character as
// a reader sees it (a base letter with its marks, a surrogate pair).
QString fitting(const QString& text, int room) {
    if (room <= 0) return {};
    if (qt::characterCount(text) <= room) return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype cut = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        if (qt::characterCount(text.left(next)) > room) break;
        cut = next;
    }
    return text.left(cut);
}

// Runs the key-press handler over typed characters; false when one is refused.
bool passKeyPress(TextBox& box, const std::vector<int>& chars) {
    if (!box.onKeyPress) return true;
    for (int c : chars) {
        int keyAscii = c;
        box.onKeyPress(keyAscii);
        if (keyAscii == 0) return false;
    }
    return true;
}

bool passKeyDown(TextBox& box, const QKeyEvent* e) {
    if (!box.onKeyDown) return true;
    int code = keyCodeOf(e);
    if (code == 0) return true;
    box.onKeyDown(code, qt::shiftState(e->modifiers()));
    return code != 0;
}

// Text that arrives other than by typing goes through the box's own test.
class Acceptance : public QValidator {
public:
    Acceptance(TextBox& box, QObject* parent) : QValidator(parent), box_(box) {}
    State validate(QString& input, int&) const override {
        return !box_.acceptsText || box_.acceptsText(qt::ss(input)) ? Acceptable : Invalid;
    }

private:
    TextBox& box_;
};

class LineBox : public QLineEdit {
public:
    explicit LineBox(TextBox& box) : box_(box) {
        setValidator(new Acceptance(box, this));
        // Small boxes: the text gets all the room inside a thin frame.
        setTextMargins(0, 0, 0, 0);
        setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    }

protected:
    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);
        box_.impl().focusIn();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (passKeyDown(box_, e) && passKeyPress(box_, typedCharacters(e)))
            QLineEdit::keyPressEvent(e);
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        std::vector<int> chars;
        for (const char32_t c : e->commitString().toUcs4()) chars.push_back(static_cast<int>(c));
        if (passKeyPress(box_, chars)) QLineEdit::inputMethodEvent(e);
    }

private:
    TextBox& box_;
};

class MultiLineBox : public QPlainTextEdit {
public:
    explicit MultiLineBox(TextBox& box) : box_(box) {
        setTabChangesFocus(true);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
    }
    int maxLength = 0;  // 0: no limit

    // Characters that may still be added in place of the selection.
    int room() const {
        if (maxLength <= 0) return 1 << 30;
        const QTextCursor c = textCursor();
        return maxLength - qt::characterCount(toPlainText()) + qt::characterCount(c.selectedText());
    }

protected:
    void focusInEvent(QFocusEvent* e) override {
        QPlainTextEdit::focusInEvent(e);
        box_.impl().focusIn();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!passKeyDown(box_, e)) return;
        const std::vector<int> chars = typedCharacters(e);
        if (!passKeyPress(box_, chars)) return;
        const bool inserts = !e->text().isEmpty() && e->text().at(0).isPrint() &&
                             !(e->modifiers() & Qt::ControlModifier);
        const bool newLine = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        if ((inserts || newLine) && room() < (newLine ? 1 : qt::characterCount(e->text()))) return;
        QPlainTextEdit::keyPressEvent(e);
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        if (e->commitString().isEmpty()) return QPlainTextEdit::inputMethodEvent(e);
        QInputMethodEvent cut(e->preeditString(), e->attributes());
        cut.setCommitString(fitting(e->commitString(), room()), e->replacementStart(),
                            e->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (!source->hasText()) return;
        const QString text = fitting(source->text(), room());
        if (!text.isEmpty() || textCursor().hasSelection()) insertPlainText(text);
    }

private:
    TextBox& box_;
};

QLineEdit* line(const ControlImpl& d) {
    return qobject_cast<QLineEdit*>(d.widget.data());
}
MultiLineBox* multi(const ControlImpl& d) {
    return dynamic_cast<MultiLineBox*>(d.widget.data());
}

}  // namespace

TextBox::TextBox(Form& form, Lines lines) : Control(std::make_unique<ControlImpl>()) {
    QWidget* w = lines == SingleLine ? static_cast<QWidget*>(new LineBox(*this))
                                     : static_cast<QWidget*>(new MultiLineBox(*this));
    // Text boxes sit on the button face, like the window around them.
    QPalette p = w->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    w->setPalette(p);
    d_->ownsFocusEvents = true;
    w->setAttribute(Qt::WA_NoMousePropagation);
    d_->attach(form, w);
}

std::string TextBox::text() const {
    if (auto* l = line(*d_)) return qt::ss(l->text());
    return qt::ss(multi(*d_)->toPlainText());
}

void TextBox::setText(const std::string& text) {
    if (auto* l = line(*d_)) return l->setText(qt::qs(text));
    MultiLineBox* m = multi(*d_);
    m->setPlainText(m->maxLength > 0 ? fitting(qt::qs(text), m->maxLength) : qt::qs(text));
}

int TextBox::length() const {
    if (auto* l = line(*d_)) return qt::characterCount(l->text());
    return qt::characterCount(multi(*d_)->toPlainText());
}

void TextBox::setMaxLength(int characters) {
    if (auto* l = line(*d_)) return l->setMaxLength(characters > 0 ? characters : 32767);
    multi(*d_)->maxLength = characters;
}

int TextBox::maxLength() const {
    if (auto* l = line(*d_)) return l->maxLength();
    return multi(*d_)->maxLength;
}

// Selections count characters as the handlers do; the widgets count UTF-16
// units, so a character outside the BMP is two of theirs.
int TextBox::selStart() const {
    if (auto* l = line(*d_)) {
        const int at = l->hasSelectedText() ? l->selectionStart() : l->cursorPosition();
        return qt::characterCount(l->text().left(at));
    }
    const QTextCursor c = multi(*d_)->textCursor();
    return qt::characterCount(multi(*d_)->toPlainText().left(c.selectionStart()));
}

int TextBox::selLength() const {
    if (auto* l = line(*d_)) return qt::characterCount(l->selectedText());
    return qt::characterCount(multi(*d_)->textCursor().selectedText());
}

void TextBox::setSelStart(int start) {
    if (auto* l = line(*d_)) {
        l->deselect();
        return l->setCursorPosition(static_cast<int>(qt::unitIndex(l->text(), start)));
    }
    MultiLineBox* m = multi(*d_);
    QTextCursor c = m->textCursor();
    c.setPosition(static_cast<int>(qt::unitIndex(m->toPlainText(), start)));
    m->setTextCursor(c);
}

void TextBox::setSelLength(int length) {
    if (auto* l = line(*d_)) {
        const QString text = l->text();
        const int from = l->cursorPosition();
        const int start = qt::characterCount(text.left(from));
        return l->setSelection(from, static_cast<int>(qt::unitIndex(text, start + length)) - from);
    }
    MultiLineBox* m = multi(*d_);
    const QString text = m->toPlainText();
    QTextCursor c = m->textCursor();
    const int from = c.selectionStart();
    const int start = qt::characterCount(text.left(from));
    c.setPosition(from);
    c.setPosition(static_cast<int>(qt::unitIndex(text, start + length)), QTextCursor::KeepAnchor);
    m->setTextCursor(c);
}

}  // namespace platform
