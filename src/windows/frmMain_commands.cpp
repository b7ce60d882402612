// The two command buttons and the menu's entry-mode commands.
#include "platform/msgbox.h"
#include "platform/system.h"
#include "reminder/clock_text.h"
#include "reminder/entry.h"
#include "windows/frmMain.h"
#include "windows/texts.h"

using platform::MsgBox;
using platform::MsgButtons;
using platform::MsgResult;

namespace {

// Indexed by the number of the reminder, 1 to 3.
constexpr const char* kConfirmNoMessage[] = {"", "你还没有输入要提醒的事!",
                                             "你还没有输入第二件事呢!", "你还没有输入第三件事呢!"};
constexpr const char* kArmed[] = {"", "只有一件事要提醒", "有两件事要提醒", "有三件事要提醒"};
constexpr const char* kMoreNoMessage[] = {"", "你还没有输入第一件事!", "你还没有输入第二件事!",
                                          "你还没有输入第三件事!"};
constexpr const char* kNextTitle[] = {"", "提醒信息（事件二）", "提醒信息（事件三）"};

}  // namespace

// The due-time text of the fields when its time is still to come and a
// message is typed; otherwise the box that says which is wrong, and nothing.
std::optional<std::string> frmMain::enteredDueTime(const char* noMessage) {
    std::string due = reminder::dueTimeText(Text1.text(), Text2.text());
    if (reminder::timePassed(due, platform::now())) {
        MsgBox(texts::kPassed, MsgButtons::OK, texts::kErrorTitle);
        return std::nullopt;
    }
    if (Text4.text().empty()) {
        MsgBox(noMessage, MsgButtons::OK, texts::kProduct);
        return std::nullopt;
    }
    return due;
}

void frmMain::Command2_Click() {
    if (!timeCheck()) return;
    const int k = book.confirmSlot();
    if (!fieldsHoldToldThird()) {
        const auto due = enteredDueTime(kConfirmNoMessage[k]);
        if (!due) return;
        book.write(k, *due, Text4.text());
    }
    // Reminders told while the entry went on are not armed again.
    const int armed = book.closeUp(k);
    if (armed > 1) book.orderSlots(armed, platform::now());
    form.hide();
    book.noneArmed = false;
    book.eventCount = static_cast<std::int16_t>(armed);
    runMnuEnable();
    // While armed the entry waits: its commands would change reminders the
    // tick is watching (the window can come back from the task bar).
    Command2.setEnabled(false);
    Command1.setEnabled(false);
    MsgBox(kArmed[armed], MsgButtons::OK, texts::kProduct);
}

// Whether the fields still hold the third reminder of a full entry, told
// since, while the first two wait: it is not checked or taken again.
bool frmMain::fieldsHoldToldThird() const {
    if (book.eventCount != 4 || !book.slot(3).empty() || toldThird_.time.empty()) return false;
    if (book.slot(1).time.empty() && book.slot(2).time.empty()) return false;
    return reminder::dueTimeText(Text1.text(), Text2.text()) == toldThird_.time &&
           Text4.text() == toldThird_.event;
}

void frmMain::Command1_Click() {
    if (!timeCheck()) return;
    if (book.eventCount == 4) return resetAdvanced();
    if (book.eventCount == 1 && !book.advancedMode) {
        book.clear(1);
        timeSelect();
        Text4.setText("");
        return;
    }
    takeReminder(book.eventCount);
}

// The More command: stores reminder n and opens the entry of the next one.
void frmMain::takeReminder(int n) {
    const auto due = enteredDueTime(kMoreNoMessage[n]);
    if (!due) return;
    book.write(n, *due, Text4.text());
    offerModes();
    if (n < 3) {
        // Named for the next reminder before the focus comes back to the
        // hour field, so that a screen reader says the new name there.
        Label5.setCaption(kNextTitle[n]);
        Text4.setText("");
        timeSelect();
        book.eventCount = static_cast<std::int16_t>(n + 1);
        return;
    }
    // The fields keep the third reminder; confirming takes it once more.
    MsgBox("就这些吧?我记不下了!", MsgButtons::OK, texts::kProduct);
    book.eventCount = 4;
    Command1.setCaption(texts::kReset);
    Command2.setFocus();
}

void frmMain::resetAdvanced() {
    if (MsgBox("真的要重设吗?", MsgButtons::OKCancel, texts::kProduct) != MsgResult::OK) return;
    for (int k = 1; k <= 3; ++k) book.clear(k);
    Command1.setCaption(texts::kMore);
    Label5.setCaption(texts::kMessageTitleAgain);
    book.eventCount = 1;
    offerModes();
    timeSelect();
}

// A choice between two modes: choosing the one already chosen changes
// nothing ("重设" is the reset).
void frmMain::mnuTrayNormal_Click() {
    if (!book.advancedMode) return;
    toNormalMode();
}

void frmMain::toNormalMode() {
    Command1.setCaption(texts::kReset);
    Label5.setCaption(texts::kMessageTitleAgain);
    book.clear(2);
    book.clear(3);
    Text4.setText(book.slot(1).event);
    // Reminder 1 is offered whole: its time with its message.
    if (const auto fields = reminder::fieldsOf(book.slot(1).time)) {
        Text1.setText(fields->hour);
        Text2.setText(fields->minute);
    }
    book.eventCount = 1;
    book.advancedMode = false;
    if (!mnuTrayNormal.checked()) {
        mnuTrayNormal.setChecked(true);
        mnuTrayHigh.setChecked(false);
    }
}

void frmMain::mnuTrayHigh_Click() {
    if (book.advancedMode) return;
    Command1.setCaption(texts::kMore);
    Text1.setFocus();
    book.advancedMode = true;
    book.eventCount = 1;
    if (!mnuTrayHigh.checked()) {
        mnuTrayHigh.setChecked(true);
        mnuTrayNormal.setChecked(false);
    }
}

void frmMain::showMnuEnable() {
    mnuTrayQuery.setEnabled(false);
    mnuTrayHigh.setEnabled(true);
    offerModes();
    mnuTrayHide.setEnabled(true);
    mnuTrayRestore.setEnabled(false);
}

// "普通" keeps reminder 1 of an advanced entry and empties slots 2 and 3: it
// is not offered while reminders taken there wait to be told, until "确定"
// arms them or "重设" drops them.
void frmMain::offerModes() {
    mnuTrayNormal.setEnabled(book.slot(2).time.empty() && book.slot(3).time.empty());
}

void frmMain::runMnuEnable() {
    mnuTrayQuery.setEnabled(true);
    mnuTrayHigh.setEnabled(false);
    mnuTrayNormal.setEnabled(false);
    mnuTrayHide.setEnabled(false);
    mnuTrayRestore.setEnabled(false);
}

void frmMain::mnuTrayQuery_Click() {
    showInfo();
}
