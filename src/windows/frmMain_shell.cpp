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
    std::int32_t none = 0;
    platform::SendMessageA(form.hWnd(), platform::WM_SYSCOMMAND, platform::SC_RESTORE,
                           reinterpret_cast<platform::LongPtr>(&none));
    book.setHidden(false);
    offerEntry();
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
    // Hidden by "隐藏": back as "恢复" brings it. Otherwise (in the task bar,
    // behind other windows, or hidden while reminders wait) shown, in front.
    if (book.hidden()) return mnuTrayRestore_Click();
    form.show();
    if (about()) about_->form.show();
}
