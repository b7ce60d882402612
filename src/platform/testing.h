// What the behaviour tests use to act as a person would and to watch what the
// program shows. Linked into the tests only, never into the program.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/timer.h"
#include "platform/types.h"

namespace platform::testing {

// A message box while it is on screen.
struct ShownBox {
    std::string prompt;
    std::string title;
    std::vector<std::string> buttons;  // captions, left to right
    bool hasIcon = false;
};

// Called while each message box is open, from inside its event loop; gives
// the caption of the button to press. Without a watcher boxes wait for a
// person, so every test sets one.
using BoxWatcher = std::function<std::string(const ShownBox&)>;
void watchMessageBoxes(BoxWatcher watcher);

// Replaces the local clock; an empty function gives the system clock back.
void setClock(std::function<LocalTime()> clock);

// Stops every timer from ticking by itself; a held timer ticks on fireTimer.
void holdTimers(bool hold);
void fireTimer(Timer& timer);

// Lets queued events (focus changes, repaints) run.
void processEvents();

// Keyboard: each character of the text as a key press carrying it; keys by code.
void typeText(Control& control, const std::string& text);
void pressKey(Control& control, int keyCode, int shift = 0);
// An input method committing text to the box.
void commitInputMethod(TextBox& box, const std::string& text);
// Text put in by the context menu's paste, or dropped onto the box.
void paste(TextBox& box, const std::string& text);
void drop(TextBox& box, const std::string& text);

void click(CommandButton& button);
void mousePress(Control& control, int button);
void mousePress(Form& form, int button);
void chooseMenuItem(MenuItem& item);
// The close box in the window's title bar.
void closeByCloseBox(Form& form);

// Which control of the program has the keyboard focus, if any.
bool hasFocus(const Control& control);
bool isTopMost(const Form& form);

}  // namespace platform::testing
