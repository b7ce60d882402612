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
std::optional<std::string> frmMain::checkFieldsOrSayWhy(const char* noMessage) {
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
    if (book.takesFields({reminder::dueTimeText(Text1.text(), Text2.text()), Text4.text()})) {
        const auto due = checkFieldsOrSayWhy(kConfirmNoMessage[k]);
        if (!due) return;
        book.write(k, *due, Text4.text());
    }
    const int armed = book.arm(platform::now());
    // Before the window hides: a button that had the focus hands it on
    // while the window is still active.
    runMnuEnable();
    form.hide();
    MsgBox(kArmed[armed], MsgButtons::OK, texts::kProduct);
}

void frmMain::Command1_Click() {
    if (!timeCheck()) return;
    switch (book.offer().left.does) {
        case reminder::Does::Clear:
            book.clear(1);
            timeSelect();
            Text4.setText("");
            return;
        case reminder::Does::Take:
            return takeReminder(book.eventCount);
        case reminder::Does::AskReset:
            return resetAdvanced();
        default:
            return;
    }
}

// The More command: stores reminder n and opens the entry of the next one.
void frmMain::takeReminder(int n) {
    const auto due = checkFieldsOrSayWhy(kMoreNoMessage[n]);
    if (!due) return;
    book.write(n, *due, Text4.text());
    if (n < 3) {
        // Named for the next reminder before the focus comes back to the
        // hour field, so that a screen reader says the new name there.
        Label5.setCaption(kNextTitle[n]);
        Text4.setText("");
        timeSelect();
        book.eventCount = static_cast<std::int16_t>(n + 1);
        offerEntry();
        return;
    }
    // The fields keep the third reminder; confirming takes it once more.
    book.eventCount = 4;
    offerEntry();
    MsgBox("就这些吧?我记不下了!", MsgButtons::OK, texts::kProduct);
    // Only where the book still waits for the confirm: 普通 or 重设 may
    // have been chosen from the tray while the box was open.
    if (book.offer().left.does == reminder::Does::AskReset) Command2.setFocus();
}

// The question of 重设, asked too by 普通 before it drops reminders taken.
bool frmMain::reallyReset() {
    book.setAsking(true);
    offerEntry();
    const MsgResult answer = MsgBox("真的要重设吗?", MsgButtons::OKCancel, texts::kProduct);
    book.setAsking(false);
    offerEntry();
    return answer == MsgResult::OK;
}

void frmMain::resetAdvanced() {
    // Asked again after the answer: the tray may have changed the entry
    // while the question was open.
    if (!reallyReset() || book.offer().left.does != reminder::Does::AskReset) return;
    book.restart();
    Label5.setCaption(texts::kMessageTitleAgain);
    offerEntry();
    timeSelect();
}

// A choice between two modes: choosing the one already chosen changes
// nothing ("重设" is the reset). Leaving an advanced entry that holds
// reminders 2 or 3 drops them, and asks first.
void frmMain::mnuTrayNormal_Click() {
    const reminder::Does does = book.offer().normal.does;
    if (does == reminder::Does::Nothing) return;
    if (does == reminder::Does::AskSwitch &&
        (!reallyReset() || book.offer().normal.does == reminder::Does::Nothing))
        return;
    toNormalMode();
}

void frmMain::toNormalMode() {
    Label5.setCaption(texts::kMessageTitleAgain);
    book.startNormal();
    Text4.setText(book.slot(1).event);
    // Reminder 1 is offered whole: its time with its message.
    if (const auto fields = reminder::fieldsOf(book.slot(1).time)) {
        Text1.setText(fields->hour);
        Text2.setText(fields->minute);
    }
    offerEntry();
}

void frmMain::mnuTrayHigh_Click() {
    if (book.offer().high.does != reminder::Does::Switch) return;
    book.startAdvanced();
    offerEntry();
    Text1.setFocus();
}

// The idle book, the window in use again; and the armed book.
void frmMain::showMnuEnable() {
    windowBack();
}

void frmMain::windowBack() {
    book.setHidden(false);
    offerEntry();
}

void frmMain::runMnuEnable() {
    offerEntry();
}

void frmMain::offerEntry() {
    const reminder::Offer o = book.offer();
    // A button that loses its command hands the focus to the hour field,
    // where the next entry begins, rather than to whatever follows it.
    for (platform::CommandButton* b : {&Command2, &Command1}) {
        const bool keeps = b == &Command2 ? o.confirm.enabled : o.left.enabled;
        if (!keeps && b->hasFocus()) Text1.setFocus();
    }
    Command2.setEnabled(o.confirm.enabled);
    Command1.setEnabled(o.left.enabled);
    Command1.setCaption(o.leftSaysMore ? texts::kMore : texts::kReset);
    mnuTrayNormal.setEnabled(o.normal.enabled);
    mnuTrayHigh.setEnabled(o.high.enabled);
    mnuTrayNormal.setChecked(o.normalChecked);
    mnuTrayHigh.setChecked(!o.normalChecked);
    mnuTrayQuery.setEnabled(o.query);
    mnuTrayRestore.setEnabled(o.restore);
    mnuTrayHide.setEnabled(o.hide);
}

void frmMain::mnuTrayQuery_Click() {
    showInfo();
}
