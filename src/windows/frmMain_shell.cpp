// The shell commands of the menu: hide, restore, About and exit.
#include "platform/declared.h"
#include "windows/frmMain.h"

void frmMain::mnuTrayHide_Click() {
    form.hide();
    form.setWindowState(platform::Form::Normal);
    book.setHidden(true);
    offerEntry();
}

void frmMain::mnuTrayRestore_Click() {
    // The book hears first: whatever runs as the window comes back (the
    // check of the field that takes the focus, and its box) finds it in use.
    windowBack();
    std::int32_t none = 0;
    platform::SendMessageA(form.hWnd(), platform::WM_SYSCOMMAND, platform::SC_RESTORE,
                           reinterpret_cast<platform::LongPtr>(&none));
}

void frmMain::mnuTrayAbout_Click() {
    if (about()) return about_->form.show();  // already open: to the front
    form.setHeight(0);
    about_ = std::make_unique<frmAbout>(*this);
    form.setTop(about_->form.top());
    about_->form.showModal(&form);
}

void frmMain::mnuTrayClose_Click() {
    exiting_ = true;
    removeTrayIcon();
    form.unload();
    unloadInfo();
    // An About box left open would keep the program alive.
    if (about()) about_->form.unload();
}

void frmMain::App_StartAgain() {
    if (exiting_) return;
    // While reminders wait the window stays in the notification area: the
    // start answers as a left click on the icon does, with what is armed.
    if (!book.noneArmed) return showInfo();
    // Otherwise back as "恢复" brings it, from the tray or the task bar,
    // minimised or not, and in front, with About over it when it is open.
    mnuTrayRestore_Click();
    // The field that took the focus may have run a box, from which the user
    // put the window away again: it stays away.
    if (book.hidden()) return;
    form.show();
    if (about()) about_->form.show();
}
