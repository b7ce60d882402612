// The main window: the entry of reminders, the clock that fires them, and
// the program's menu.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/timer.h"
#include "reminder/book.h"
#include "tray/Module1.h"
#include "windows/frmAbout.h"
#include "windows/frmInfo.h"

class frmMain final : public TrayOwner {
public:
    // Loading the window is the program's whole start-up.
    frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Shows the window top-most at its working size, centred on the screen.
    void frmFirst();
    // Prefills hour and minute with the next minute and focuses the hour.
    void timeSelect();
    // Checks the time fields; on success the minute field holds two digits.
    bool timeCheck();
    // What the entry offers while idle (the window in use again) and while
    // armed; both show the book's offer (offerEntry).
    void showMnuEnable();
    void runMnuEnable();
    // The window is on screen again, whichever command or window brought it
    // back: the one way the book hears of it.
    void windowBack();

    // The notice window, loaded afresh when it is not open.
    void showInfo();
    void unloadInfo();
    frmInfo* info() const { return info_ && info_->form.loaded() ? info_.get() : nullptr; }
    // The About box while it is open.
    frmAbout* about() const { return about_ && about_->form.loaded() ? about_.get() : nullptr; }
    // True once the Exit command has begun.
    bool exiting() const { return exiting_; }

    // What the tray module asks of the window that owns the icon.
    platform::Form& trayWindow() override { return form; }
    bool noneArmed() const override { return book.noneArmed; }
    void showNotice() override { showInfo(); }

    reminder::Book book;

    platform::Form form;
    platform::Label Label1;  // the clock
    platform::Label Label2;
    platform::TextBox Text1;  // hour
    platform::TextBox Text2;  // minute
    platform::Label Label3;
    platform::Label Label4;
    platform::Label Label5;            // names the reminder being entered
    platform::TextBox Text4;           // message
    platform::CommandButton Command1;  // more, or reset
    platform::CommandButton Command2;  // confirm
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
    void Form_Unload();
    void Form_MouseDown(int button, int shift, platform::Twips x, platform::Twips y);
    void Text1_GotFocus();
    void Text2_GotFocus();
    void Text4_GotFocus();
    void Text1_KeyPress(int& keyAscii);
    void Text2_KeyPress(int& keyAscii);
    void Text4_KeyDown(int& keyCode, int shift);
    void Command1_Click();
    void Command2_Click();
    void mnuTrayNormal_Click();
    void mnuTrayHigh_Click();
    void mnuTrayQuery_Click();
    void mnuTrayHide_Click();
    void mnuTrayRestore_Click();
    void mnuTrayAbout_Click();
    void mnuTrayClose_Click();
    void Timer1_Timer();
    // The program started again in the same session: this one comes forward.
    void App_StartAgain();

private:
    void layOut();
    void bindEvents();
    std::optional<std::string> checkFieldsOrSayWhy(const char* noMessage);
    void takeReminder(int n);
    void resetAdvanced();
    void tellDue(reminder::LocalTime now);
    void fire(int k);
    void backToEntry();
    void backToIdle();
    bool reallyReset();
    void toNormalMode();
    // Shows what the book offers: both buttons (enabled, caption), every
    // menu item (enabled, the mode's mark), and the focus leaving a button
    // that loses its command. The one place that sets them.
    void offerEntry();

    std::unique_ptr<frmInfo> info_;
    std::unique_ptr<frmAbout> about_;
    reminder::LocalTime lastTick_{};  // the clock as the last tick read it
    bool telling_ = false;            // a reminder's box is open
    bool exiting_ = false;
};
