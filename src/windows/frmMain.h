// The main window: the entry of reminders, the clock, the program's menu.
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/timer.h"
#include "reminder/book.h"

class frmMain {
public:
    // Loading the window is the program's whole start-up.
    frmMain();

    // Shows the window top-most at its working size, centred on the screen.
    void frmFirst();
    // Prefills hour and minute with the next minute and focuses the hour.
    void timeSelect();
    // Checks the time fields; on success the minute field holds two digits.
    bool timeCheck();

    reminder::Book book;

    platform::Form form;
    platform::Label Label1;  // the clock
    platform::Label Label2;
    platform::TextBox Text1;  // hour
    platform::TextBox Text2;  // minute
    platform::Label Label3;
    platform::Label Label4;
    platform::Label Label5;
    platform::TextBox Text4;  // message
    platform::CommandButton Command1;
    platform::CommandButton Command2;
    platform::PictureBox Picture1;
    platform::Timer Timer1;

    platform::Menu mnuTray;
    platform::MenuItem& mnuTrayNormal;
    platform::MenuItem& mnuTrayHigh;
    platform::MenuItem& mnuTrayQuery;
    platform::MenuItem& mnuTrayRestore;
    platform::MenuItem& mnuTrayHide;
    platform::MenuItem& mnuTrayAbout;
    platform::MenuItem& ssdddsd;
    platform::MenuItem& mnuTrayClose;

    // Event handlers.
    void Form_Load();
    void Form_LostFocus();
    void Text1_GotFocus();
    void Text2_GotFocus();
    void Text4_GotFocus();
    void Text1_KeyPress(int& keyAscii);
    void Text2_KeyPress(int& keyAscii);
    void Text4_KeyDown(int& keyCode, int shift);
    void Timer1_Timer();

private:
    void bindEvents();
    void layOut();
};
