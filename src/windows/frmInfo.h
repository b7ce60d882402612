// The notice window: the reminders still set, one row each, and their count.
#pragma once

#include <array>

#include "platform/controls.h"
#include "platform/form.h"
#include "reminder/book.h"

class frmInfo {
public:
    // Loading fills the rows from the book as it is now; they are never
    // refreshed while the window is open.
    explicit frmInfo(const reminder::Book& book);

    platform::Form form;
    std::array<platform::Label, 3> Label1;  // time line of row i + 1
    std::array<platform::Label, 3> Label2;  // message line of row i + 1
    platform::Line Line1;
    platform::Label Label3;  // the count line
    platform::CommandButton Command1;

    void Form_Load(const reminder::Book& book);
    // Makes a message line that its two lines cannot hold higher, and the
    // window with it; what lies below moves down.
    void fitRows();
    void Command1_Click();
};
