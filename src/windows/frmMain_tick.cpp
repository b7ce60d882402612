// The alarm tick: the clock label, and the firing of reminders.
#include <algorithm>
#include <utility>

#include "platform/msgbox.h"
#include "platform/system.h"
#include "reminder/clock_text.h"
#include "reminder/wake.h"
#include "windows/frmMain.h"

void frmMain::Timer1_Timer() {
    const reminder::LocalTime now = platform::now();
    Label1.setCaption(reminder::clockText(now));
    // A tick that comes while a reminder is being told only shows the time.
    // The interval it saw is checked by the next tick after the box, so a
    // reminder is told once, in its order, and none is lost.
    if (telling_) return;
    tellDue(now);
    // Hidden, nobody reads the clock: the timer sleeps until the next
    // reminder falls due (or the clock or the zone changes).
    if (!form.visible() && !exiting_) Timer1.sleepUntil(reminder::nextWake(book, lastTick_));
}

void frmMain::tellDue(reminder::LocalTime now) {
    const reminder::LocalTime previous = std::exchange(lastTick_, now);
    telling_ = true;
    // The book is read again after each box: anything may have changed it
    // while the box was open. So is the clock: set back meanwhile, what the
    // interval crossed beyond the new time is not due yet, and the next tick
    // (from the earlier time) tells it when it is.
    for (int k; (k = book.nextCrossed(previous, now)) != 0; now = std::min(now, platform::now())) {
        const int count = book.watched();
        fire(k);
        // "退出" chosen while the box was up: nothing is shown again.
        if (exiting_) break;
        if (book.noneArmed) {
            backToEntry();
        } else if (k == count) {
            backToIdle();
            break;
        } else {
            form.hide();
        }
    }
    // A clock set back while a box was open starts the next interval anew,
    // as a tick would have: a reminder between the new time and the old
    // then still comes.
    lastTick_ = std::min(lastTick_, platform::now());
    telling_ = false;
}

void frmMain::fire(int k) {
    unloadInfo();
    frmFirst();
    form.setHeight(0);
    const reminder::Slot slot = book.slot(k);
    platform::soundReminder();
    platform::MsgBox("应该" + slot.event, platform::MsgButtons::OK, " " + slot.time + "啦!");
    book.told(k);
    // A notice window opened while the box was up lists the reminder just
    // told: it goes, as one open before the box did.
    unloadInfo();
}

// A reminder taken during an entry was told: the entry goes on where it was.
void frmMain::backToEntry() {
    frmFirst();
    showMnuEnable();
}

void frmMain::backToIdle() {
    frmFirst();
    book.backToIdle();
    Text4.setText("");
    timeSelect();
    showMnuEnable();
    toNormalMode();
}
