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

// What a single-line box takes, by every route: no more characters than its
// limit (what went in last, before the caret, is cut to fit), and text that
// arrives other than by typing only when the box's own test accepts it.
class Acceptance : public QValidator {
public:
    Acceptance(TextBox& box, const int& limit, QObject* parent)
        : QValidator(parent), box_(box), limit_(limit) {}
    State validate(QString& input, int& pos) const override {
        int excess = limit_ > 0 ? qt::characterCount(input) - limit_ : 0;
        qsizetype from = pos;
        for (; excess > 0 && from > 0; --excess)
            from -= from > 1 && input.at(from - 1).isLowSurrogate() &&
                            input.at(from - 2).isHighSurrogate()
                        ? 2
                        : 1;
        if (excess > 0) return Invalid;
        input.remove(from, pos - from);
        pos = static_cast<int>(from);
        return !box_.acceptsText || box_.acceptsText(qt::ss(input)) ? Acceptable : Invalid;
    }

private:
    TextBox& box_;
    const int& limit_;
};

class LineBox : public QLineEdit {
public:
    explicit LineBox(TextBox& box) : box_(box) {
        // The widget's own limit counts UTF-16 units; the box counts characters.
        QLineEdit::setMaxLength(32767);
        setValidator(new Acceptance(box, limit, this));
        // Small boxes: the text gets all the room inside a thin frame.
        setTextMargins(0, 0, 0, 0);
        setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    }
    int limit = 0;  // characters; 0: no limit

protected:
    void focusInEvent(QFocusEvent* e) override {
        const qt::QuietEdits quiet(this);
        QLineEdit::focusInEvent(e);
        box_.impl().focusIn();
    }
    // Leaving, the box drops its selection: nothing to say of a box left.
    void focusOutEvent(QFocusEvent* e) override {
        const qt::QuietEdits quiet(this);
        QLineEdit::focusOutEvent(e);
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

    // The text as typed. The widget's plain text turns a no-break space into
    // a space and a line separator into a line break; here only the breaks
    // between its paragraphs, which Enter makes, read as line breaks.
    QString typed() const {
        QString text = document()->toRawText();
        text.replace(QChar::ParagraphSeparator, u'\n');
        return text;
    }

    // Characters that may still be added in place of the selection.
    int room() const {
        if (maxLength <= 0) return 1 << 30;
        const QTextCursor c = textCursor();
        return maxLength - qt::characterCount(typed()) + qt::characterCount(c.selectedText());
    }

protected:
    void focusInEvent(QFocusEvent* e) override {
        const qt::QuietEdits quiet(this);
        QPlainTextEdit::focusInEvent(e);
        box_.impl().focusIn();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!passKeyDown(box_, e)) return;
        const std::vector<int> chars = typedCharacters(e);
        if (!passKeyPress(box_, chars)) return;
        // Every character the key carries counts, printable or not: format
        // characters and those outside the BMP are typed into the box too.
        int adds = 0;
        for (int c : chars) adds += c >= 32 || c == KeyReturn;
        if (adds > 0 && room() < adds) return;
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

LineBox* line(const ControlImpl& d) {
    return dynamic_cast<LineBox*>(d.widget.data());
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
    return qt::ss(multi(*d_)->typed());
}

void TextBox::setText(const std::string& text) {
    const qt::QuietEdits quiet(d_->widget);
    if (auto* l = line(*d_))
        return l->setText(l->limit > 0 ? qt::qs(text).left(qt::unitIndex(qt::qs(text), l->limit))
                                       : qt::qs(text));
    MultiLineBox* m = multi(*d_);
    m->setPlainText(m->maxLength > 0 ? fitting(qt::qs(text), m->maxLength) : qt::qs(text));
}

int TextBox::length() const {
    if (auto* l = line(*d_)) return qt::characterCount(l->text());
    return qt::characterCount(multi(*d_)->typed());
}

void TextBox::setMaxLength(int characters) {
    if (auto* l = line(*d_)) {
        l->limit = characters;
        return;
    }
    multi(*d_)->maxLength = characters;
}

int TextBox::maxLength() const {
    if (auto* l = line(*d_)) return l->limit;
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
    return qt::characterCount(multi(*d_)->typed().left(c.selectionStart()));
}

int TextBox::selLength() const {
    if (auto* l = line(*d_)) return qt::characterCount(l->selectedText());
    return qt::characterCount(multi(*d_)->textCursor().selectedText());
}

void TextBox::setSelStart(int start) {
    const qt::QuietEdits quiet(d_->widget);
    if (auto* l = line(*d_)) {
        l->deselect();
        return l->setCursorPosition(static_cast<int>(qt::unitIndex(l->text(), start)));
    }
    MultiLineBox* m = multi(*d_);
    QTextCursor c = m->textCursor();
    c.setPosition(static_cast<int>(qt::unitIndex(m->typed(), start)));
    m->setTextCursor(c);
}

void TextBox::setSelLength(int length) {
    const qt::QuietEdits quiet(d_->widget);
    if (auto* l = line(*d_)) {
        const QString text = l->text();
        const int from = l->cursorPosition();
        const int start = qt::characterCount(text.left(from));
        // The caret stays where the selection starts: a screen reader reads
        // the line at the caret, and Qt gives none at the text's end.
        const int to = static_cast<int>(qt::unitIndex(text, start + length));
        return l->setSelection(to, from - to);
    }
    MultiLineBox* m = multi(*d_);
    const QString text = m->typed();
    QTextCursor c = m->textCursor();
    const int from = c.selectionStart();
    const int start = qt::characterCount(text.left(from));
    c.setPosition(static_cast<int>(qt::unitIndex(text, start + length)));
    c.setPosition(from, QTextCursor::KeepAnchor);
    m->setTextCursor(c);
}

}  // namespace platform
