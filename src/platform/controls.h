// The controls a window is built from. Each is created inside its window and
// raises its events through the handlers the window sets.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "assets/alarm_clock.h"
#include "platform/form.h"
#include "platform/types.h"

namespace platform {

struct ControlImpl;
class Label;

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    void move(Twips left, Twips top, Twips width, Twips height);
    Twips left() const;
    Twips top() const;
    Twips width() const;
    Twips height() const;

    void setFont(const Font& font);
    void setForeColor(Color color);
    Color foreColor() const;
    double fontPoints() const;

    void setEnabled(bool enabled);
    bool enabled() const;
    // Order in which Tab visits the controls of a window that take the focus.
    void setTabIndex(int index);
    void setFocus();
    bool hasFocus() const;

    // What a screen reader says of the control: its name, and a longer
    // description read after it. Neither changes what is drawn.
    void setAccessibleName(const std::string& name);
    void setAccessibleDescription(const std::string& description);
    // The name, or the description, follows the label's caption as it changes.
    void setLabelledBy(Label& label);
    void setDescribedBy(Label& label);

    std::function<void()> onGotFocus;
    std::function<void(int button, int shift, Twips x, Twips y)> onMouseDown;
    // Shift+F10 or the Menu key while the control has the focus. When set,
    // the key opens this in place of the control's own menu.
    std::function<void()> onMenuKey;

    ControlImpl& impl() const { return *d_; }

protected:
    explicit Control(std::unique_ptr<ControlImpl> impl);
    std::unique_ptr<ControlImpl> d_;
};

class Label : public Control {
public:
    explicit Label(Form& form);
    void setCaption(const std::string& caption);
    std::string caption() const;
    // The height the caption takes in the label's font, wrapped to the
    // label's width as it is drawn: at a space, between any two Chinese
    // characters, and inside a word longer than the line.
    Twips wrappedHeight() const;
};

class TextBox : public Control {
public:
    enum Lines { SingleLine, MultiLineWithScrollBar };
    TextBox(Form& form, Lines lines);

    std::string text() const;
    void setText(const std::string& text);
    int length() const;  // in characters
    // Most characters the box takes, by every route; a character is never cut.
    void setMaxLength(int characters);
    int maxLength() const;
    // Selection in characters.
    int selStart() const;
    int selLength() const;
    void setSelStart(int start);
    void setSelLength(int length);

    // A typed character arrives here first; setting it to 0 discards it.
    std::function<void(int& keyAscii)> onKeyPress;
    // A key going down; setting the code to 0 swallows the key.
    std::function<void(int& keyCode, int shift)> onKeyDown;
    // Text that arrives other than by typing (pasted, dropped) is taken only
    // when this accepts the text the box would then hold.
    std::function<bool(const std::string& newText)> acceptsText;
};

class CommandButton : public Control {
public:
    explicit CommandButton(Form& form);
    void setCaption(const std::string& caption);
    std::string caption() const;
    // Enter presses the default button unless another button has the focus;
    // Esc presses the cancel button.
    void setDefault(bool isDefault);
    void setCancel(bool isCancel);
    std::function<void()> onClick;
};

class PictureBox : public Control {
public:
    explicit PictureBox(Form& form);
    // Shows the picture at its own size, without a border.
    void setPicture(const assets::IndexedPicture& picture);
};

// A straight line drawn on the window.
class Line {
public:
    Line(Form& form, Twips x1, Twips y1, Twips x2, Twips y2, Color color, int widthPixels = 1);
    ~Line();
    void move(Twips x1, Twips y1, Twips x2, Twips y2);
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

private:
    std::unique_ptr<ControlImpl> d_;
};

}  // namespace platform
