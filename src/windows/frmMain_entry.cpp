#include "platform/msgbox.h"
#include "platform/system.h"
#include "reminder/clock_text.h"
#include "reminder/entry.h"
#include "windows/frmMain.h"
#include "windows/texts.h"

using platform::MsgBox;
using platform::MsgButtons;

namespace {

// The digit filter of the two time fields: digits and Backspace pass.
void filterDigit(int& keyAscii) {
    if ((keyAscii >= '0' && keyAscii <= '9') || keyAscii == platform::KeyBack) return;
    MsgBox("你输入的不是数字!", MsgButtons::OK, texts::kErrorTitle);
    keyAscii = 0;
}

// Puts the caret at the start and selects the first characters.
void selectFromStart(platform::TextBox& box, int length) {
    box.setSelStart(0);
    box.setSelLength(length);
}

}  // namespace

void frmMain::timeSelect() {
    const reminder::TimeFields next = reminder::prefill(platform::now());
    Text1.setText(next.hour);
    Text2.setText(next.minute);
    Text1.setFocus();
    // Selected even where the hour field had the focus already (no new
    // visit, so no GotFocus): what is typed next takes the prefill's place.
    selectFromStart(Text1, 2);
}

void frmMain::Text1_GotFocus() {
    selectFromStart(Text1, 2);
}
void frmMain::Text2_GotFocus() {
    selectFromStart(Text2, 2);
}

void frmMain::Text4_GotFocus() {
    selectFromStart(Text4, Text4.length());
    // While armed the entry waits for the book to be idle again: there is
    // nothing to check, and a box about it could not be acted on.
    if (!book.noneArmed) return;
    const std::string hour = Text1.text();
    const std::string minute = Text2.text();
    // A time that is no time of day (25 o'clock, a minute of 75, a field
    // left empty) is said now, as a passed one is, in the words of the
    // commands' own check; the keys go back to the field at fault.
    if (!reminder::timeCheck(hour, minute).valid) {
        (reminder::timeCheck(hour, "0").valid ? Text2 : Text1).setFocus();
        MsgBox("时间设置不正确!", MsgButtons::OK, texts::kErrorTitle);
        return;
    }
    if (reminder::timePassed(reminder::dueTimeText(hour, minute), platform::now())) {
        // The hour field, where the time is typed again, has the focus when
        // the box closes: the message field is not visited a second time,
        // nor named to a screen reader while the keys go elsewhere.
        Text1.setFocus();
        MsgBox(texts::kPassed, MsgButtons::OK, texts::kErrorTitle);
        timeSelect();
        return;
    }
    book.openEntry();
    offerEntry();
}

void frmMain::Text1_KeyPress(int& keyAscii) {
    filterDigit(keyAscii);
}
void frmMain::Text2_KeyPress(int& keyAscii) {
    filterDigit(keyAscii);
}

void frmMain::Text4_KeyDown(int& keyCode, int /*shift*/) {
    if (keyCode != platform::KeyReturn) return;
    Command2.setFocus();
    keyCode = 0;  // the Enter only moves on; it leaves no line break behind
}

bool frmMain::timeCheck() {
    const reminder::TimeCheck check = reminder::timeCheck(Text1.text(), Text2.text());
    if (!check.valid) {
        MsgBox("时间设置不正确!", MsgButtons::OK, texts::kErrorTitle);
        return false;
    }
    if (Text2.text() != check.minute) Text2.setText(check.minute);
    return true;
}
