#include "windows/frmMain.h"

#include "windows/texts.h"

#include "platform/declared.h"
#include "platform/system.h"

namespace {

constexpr platform::Color kBlue{0, 0, 192};

}  // namespace

frmMain::frmMain()
    : form({.caption = "Tockmere Beta 1.1", .clientWidth = 2415, .clientHeight = 2130}),
      Label1(form),
      Label2(form),
      Text1(form, platform::TextBox::SingleLine),
      Text2(form, platform::TextBox::SingleLine),
      Label3(form),
      Label4(form),
      Label5(form),
      Text4(form, platform::TextBox::MultiLineWithScrollBar),
      Command1(form),
      Command2(form),
      Picture1(form),
      Timer1(form, 500),
      mnuTray(form, "系统"),
      mnuTrayNormal(mnuTray.add("普通", platform::Menu::Checkable)),
      mnuTrayHigh(mnuTray.add("高级", platform::Menu::Checkable)),
      mnuTrayQuery(mnuTray.add("查询")),
      mnuTrayRestore(mnuTray.add("恢复")),
      mnuTrayHide(mnuTray.add("隐藏")),
      mnuTrayAbout(mnuTray.add("关于")),
      ssdddsd(mnuTray.add("-")),
      mnuTrayClose(mnuTray.add("退出")) {
    layOut();
    bindEvents();
    Form_Load();
}

void frmMain::layOut() {
    form.setIcon(assets::alarmClock());
    const auto place = [](platform::Control& c, platform::Twips l, platform::Twips t,
                          platform::Twips w, platform::Twips h, int tab, double points) {
        c.move(l, t, w, h);
        c.setTabIndex(tab);
        c.setFont({texts::kFont, points});
    };
    place(Label1, 720, 75, 1275, 375, 0, 10.5);
    place(Label2, 120, 120, 735, 255, 6, 9);
    place(Text1, 720, 420, 300, 315, 1, 10.5);
    place(Text2, 1320, 420, 300, 315, 2, 10.5);
    place(Label3, 120, 480, 855, 255, 7, 9);
    place(Label4, 720, 490, 1575, 255, 8, 9);
    place(Label5, 120, 840, 2175, 255, 9, 9);
    place(Text4, 120, 1080, 2175, 600, 3, 9);
    place(Command1, 240, 1750, 600, 300, 5, 9);
    place(Command2, 1440, 1750, 600, 300, 4, 9);
    Picture1.move(1920, 150, 480, 480);
    Picture1.setTabIndex(10);
    Picture1.setPicture(assets::alarmClock());

    for (platform::Control* c : std::initializer_list<platform::Control*>{
             &Label1, &Label2, &Label3, &Label4, &Label5, &Text1, &Text2, &Text4})
        c->setForeColor(kBlue);

    Label2.setCaption("系统：");
    Label3.setCaption("设置：");
    Label4.setCaption("    时     分   ");
    Label5.setCaption(texts::kMessageTitle);
    Text1.setMaxLength(2);
    Text2.setMaxLength(2);
    Text4.setMaxLength(50);
    Command2.setCaption("确定");

    // What a screen reader says: each field by the text beside it, the
    // message field by its title, which names the reminder being entered;
    // the hour field, where each entry begins, says that title after its
    // name. The clock is named by the time it shows, and described as the clock.
    Text1.setAccessibleName("时");
    Text2.setAccessibleName("分");
    Text4.setLabelledBy(Label5);
    Text1.setDescribedBy(Label5);
    Label1.setAccessibleDescription("时钟");
    Picture1.setAccessibleName("闹钟");
}

void frmMain::bindEvents() {
    form.onLostFocus = [this] { Form_LostFocus(); };
    Text1.onGotFocus = [this] { Text1_GotFocus(); };
    Text2.onGotFocus = [this] { Text2_GotFocus(); };
    Text4.onGotFocus = [this] { Text4_GotFocus(); };
    Text1.onKeyPress = [this](int& k) { Text1_KeyPress(k); };
    Text2.onKeyPress = [this](int& k) { Text2_KeyPress(k); };
    Text4.onKeyDown = [this](int& k, int shift) { Text4_KeyDown(k, shift); };
    // Pasted or dropped text never brings anything but digits into a time field.
    Text1.acceptsText =
        Text2.acceptsText = [](const std::string& t) { return reminder::isAllDigits(t); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    mnuTrayNormal.onClick = [this] { mnuTrayNormal_Click(); };
    mnuTrayHigh.onClick = [this] { mnuTrayHigh_Click(); };
    mnuTrayQuery.onClick = [this] { mnuTrayQuery_Click(); };
    mnuTrayHide.onClick = [this] { mnuTrayHide_Click(); };
    mnuTrayRestore.onClick = [this] { mnuTrayRestore_Click(); };
    mnuTrayAbout.onClick = [this] { mnuTrayAbout_Click(); };
    mnuTrayClose.onClick = [this] { mnuTrayClose_Click(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    form.onUnload = [this] { Form_Unload(); };
    // A right press on the window, its labels or its picture opens the menu;
    // the fields and the buttons keep their own.
    const auto mouseDown = [this](int button, int shift, platform::Twips x, platform::Twips y) {
        Form_MouseDown(button, shift, x, y);
    };
    form.onMouseDown = mouseDown;
    for (platform::Control* c : std::initializer_list<platform::Control*>{
             &Label1, &Label2, &Label3, &Label4, &Label5, &Picture1})
        c->onMouseDown = mouseDown;
    // From the keyboard, Shift+F10 or the Menu key opens it at the time
    // fields and the buttons; the message field keeps its edit menu.
    for (platform::Control* c :
         std::initializer_list<platform::Control*>{&Text1, &Text2, &Command1, &Command2})
        c->onMenuKey = [this, c] { mnuTray.popupAt(*c); };
}

void frmMain::Form_Load() {
    form.show();
    book = reminder::Book{};
    offerEntry();
    timeSelect();
    frmFirst();
    lastTick_ = platform::now();
    const std::string folder = platform::programFolder();
    platform::setCurrentDirectory(folder);
    platform::setCurrentDrive(folder);
    addTrayIcon(*this, mnuTray);
    setTrayTip("Tockmere Beta 1.1 版");
}

void frmMain::Form_Unload() {
    mnuTrayClose_Click();
}

void frmMain::Form_MouseDown(int button, int, platform::Twips, platform::Twips) {
    if (button == platform::RightButton) mnuTray.popup();
}

void frmMain::frmFirst() {
    platform::SetWindowPos(form.hWnd(), platform::HWND_TOPMOST, 0, 0, 300, 300,
                           platform::SWP_SHOWWINDOW);
    form.setHeight(2500);
    form.setWidth(2500);
    const float left = static_cast<float>(platform::screenWidth() - form.width()) / 2.0f;
    const float top = static_cast<float>(platform::screenHeight() - form.height()) / 2.0f;
    form.setLeft(static_cast<platform::Twips>(left));
    form.setTop(static_cast<platform::Twips>(top));
    windowBack();
}

void frmMain::Form_LostFocus() {
    form.setHeight(2500);
    form.setTop(2500);
    form.setLeft(5000);
    form.setWidth(2500);
}

void frmMain::showInfo() {
    if (!info()) info_ = std::make_unique<frmInfo>(book);
    info_->form.show();
}

void frmMain::unloadInfo() {
    if (info()) info_->form.unload();
}
