#include "windows/frmInfo.h"

#include <algorithm>
#include <initializer_list>

#include "windows/texts.h"

namespace {
constexpr const char* kCount[] = {"Tockmere提醒您： ", "Tockmere提醒您： 有一件事要做",
                                  "Tockmere提醒您： 有两件事要做", "Tockmere提醒您： 有三件事要做"};
}  // namespace

frmInfo::frmInfo(const reminder::Book& book)
    : form({.caption = "提醒信息", .clientWidth = 4950, .clientHeight = 3135}),
      Label1{platform::Label{form}, platform::Label{form}, platform::Label{form}},
      Label2{platform::Label{form}, platform::Label{form}, platform::Label{form}},
      Line1(form, 75, 2400, 4850, 2400, {128, 128, 128}),
      Label3(form),
      Command1(form) {
    form.setIcon(assets::alarmClock());
    for (int i = 0; i < 3; ++i) {
        Label1[i].move(75, 120 + 720 * i, 4800, 195);
        Label2[i].move(75, (i == 0 ? 345 : 315) + 720 * i, 4900, 345);
    }
    for (int i = 0; i < 3; ++i) {
        Label1[i].setFont({texts::kFont, 9});
        Label2[i].setFont({texts::kFont, 9});
    }
    Label3.setFont({texts::kFont, 9});
    Command1.setFont({texts::kFont, 9});
    Label3.move(120, 2700, 3375, 195);
    Label3.setCaption(kCount[0]);
    Command1.move(3600, 2640, 1215, 350);
    Command1.setCaption("确定");
    Command1.setTabIndex(7);
    Command1.setDefault(true);
    Command1.setCancel(true);
    Command1.onClick = [this] { Command1_Click(); };
    // At another scale the messages' lines take other heights.
    form.onRescaled = [this] { fitRows(); };
    Form_Load(book);
}

void frmInfo::Form_Load(const reminder::Book& book) {
    // The rows run from the first filled slot up to the next empty one.
    int first = 1;
    while (first <= 3 && book.slot(first).time.empty()) ++first;
    int row = 0;
    for (int k = first; k <= 3 && !book.slot(k).time.empty(); ++k, ++row) {
        Label1[row].setCaption("时间：" + book.slot(k).time);
        Label2[row].setCaption("事件：" + book.slot(k).event);
        Label3.setCaption(kCount[row + 1]);
    }
    fitRows();
    form.setLeft((platform::screenWidth() - form.width()) / 2);
    form.setTop((platform::screenHeight() - form.height()) / 2);
    // A screen reader reads what the window lists, each time with its
    // message, once: on its one button, which has the focus as the window
    // opens. (Read with the window, it would be read each time the window
    // manager hands the window the activation again.)
    std::string said;
    for (int i = 0; i < row; ++i) said += Label1[i].caption() + " " + Label2[i].caption() + "\n";
    said += Label3.caption();
    Command1.setAccessibleDescription(said);
}

void frmInfo::fitRows() {
    platform::Twips grown = 0;
    for (int i = 0; i < 3; ++i) {
        platform::Label& time = Label1[i];
        platform::Label& message = Label2[i];
        time.move(time.left(), time.top() + grown, time.width(), time.height());
        // A font whose line is higher than the time line's design pushes
        // the message line down by the difference.
        const platform::Twips top = std::max(message.top() + grown, time.top() + time.height());
        const platform::Twips extra = std::max(0, message.wrappedHeight() - message.height());
        grown += top - (message.top() + grown) + extra;
        message.move(message.left(), top, message.width(), message.height() + extra);
    }
    if (grown == 0) return;
    Line1.move(75, 2400 + grown, 4850, 2400 + grown);
    for (platform::Control* c : std::initializer_list<platform::Control*>{&Label3, &Command1})
        c->move(c->left(), c->top() + grown, c->width(), c->height());
    form.setHeight(form.height() + grown);
}

void frmInfo::Command1_Click() {
    form.unload();
}
