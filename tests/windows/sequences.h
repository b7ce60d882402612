// Sequences of what a person and the system can do to the running program,
// in any order, boxes and About open or not, played on the real windows
// against a small model of what the program must do.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct Action {
    enum Kind {
        TypeHour,      // arg picks the text typed over the field's selection
        TypeMinute,    //
        PasteHour,     //
        TypeMessage,   // into the message field: arg 0 empties it, else a new message
        Tab,           // the keys, where the focus is
        Enter,         //
        Escape,        //
        ClickConfirm,  // the two buttons
        ClickLeft,     //
        Menu,          // arg picks the menu's item, chosen from the tray icon
        TrayLeft,      // a left click on the icon
        SecondStart,   // the program started again
        Minimise,      // by the window manager, and back from the task bar
        Unminimise,    //
        CloseNotice,   // the notice window's OK
        Tick,          // half a second on
        ToNextDue,     // the clock runs, ticking, to the next reminder's moment
        JumpForward,   // the clock set on by arg's minutes
        JumpBack,      //
        Answer,        // the open box or About answered: arg 0 OK, else Cancel or Esc
        Count
    };
    Kind kind = Tick;
    int arg = 0;
    bool operator==(const Action&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Action& a);

// Plays the actions from a fresh start and checks the program after every
// step; the first fault found is the result, or "" when none is.
std::string playSequence(const std::vector<Action>& actions);
// Actions written as their names, each with ":arg" where it has one
// ("Menu:1 TypeMessage:1 ClickLeft").
std::vector<Action> actionsFrom(const std::string& words);
