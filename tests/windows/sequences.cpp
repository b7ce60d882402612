// The model: what the book holds as a person sees it (the mode, the reminder
// being entered, what is armed, taken, told or dropped) and what the entry
// offers then. The player acts on the real windows, boxes answered from
// inside their own event loops, and compares after every step.
#include "sequences.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "reminder/clock_text.h"
#include "reminder/entry.h"
#include "support/local_time.h"
#include "support/testing.h"
#include "windows/frmMain.h"

namespace pt = platform::testing;
using reminder::Does;
using reminder::LocalTime;

namespace {

const char* const kKinds[] = {"TypeHour",  "TypeMinute",  "PasteHour",   "TypeMessage",
                              "Tab",       "Enter",       "Escape",      "ClickConfirm",
                              "ClickLeft", "Menu",        "TrayLeft",    "SecondStart",
                              "Minimise",  "Unminimise",  "CloseNotice", "Tick",
                              "ToNextDue", "JumpForward", "JumpBack",    "Answer"};
const char* const kHours[] = {"10", "9", "11", "23", "25", "1a"};
const char* const kMinutes[] = {"0", "42", "45", "50", "5", "59", "75", "30"};
const char* const kPastes[] = {"10", "1x"};
const char* const kMenu[] = {"普通", "高级", "查询", "恢复", "隐藏", "关于"};
const int kJumps[] = {1, 5, 20, 60};

template <class T, std::size_t N>
const T& pick(const T (&table)[N], int arg) {
    return table[static_cast<std::size_t>(arg) % N];
}

LocalTime at(int h, int m, int s, int ms = 0) {
    return reminder::makeLocalTime(2026, 12, 6, h, m, s, ms);
}
const LocalTime kStart = at(9, 41, 50);
const LocalTime kFirst = at(0, 0, 1);
const LocalTime kLast = at(23, 59, 59);

struct Reminder {
    int id = 0;
    std::string time, message;
    LocalTime due;
};

// A box the model expects, and what follows its answer (true for OK).
struct Expected {
    pt::ShownBox box;
    std::function<void(bool)> after;
};

pt::ShownBox box(std::string prompt, std::string title, bool cancel = false) {
    pt::ShownBox b{std::move(prompt), std::move(title), {"确定"}};
    if (cancel) b.buttons.push_back("取消");
    return b;
}
pt::ShownBox error(std::string prompt) {
    return box(std::move(prompt), "出错啦!");
}
pt::ShownBox product(std::string prompt, bool cancel = false) {
    return box(std::move(prompt), "Tockmere", cancel);
}

std::string describe(const pt::ShownBox& b) {
    return "[" + b.title + "] " + b.prompt;
}

class Model {
public:
    bool advanced = false, armed = false, hidden = false, entryOpen = false, asking = false;
    int count = 1;  // the reminder being entered, 1 to 4, or how many are armed
    bool armedSaysMore = false;
    bool focusConfirm = false;  // the program puts the keys on 确定 now
    std::array<std::optional<Reminder>, 3> slots;
    std::array<std::optional<Reminder>, 3> toldInEntry;
    std::vector<Reminder> pending;  // taken or armed, not told, not dropped
    std::deque<Expected> expected;
    LocalTime* clock = nullptr;
    // The entry as the user sees it: the fields and the message's title.
    std::string hour, minute, message, title = "提醒信息（最多五十字）";

    // The fields hold the next minute.
    void prefill() {
        const reminder::TimeFields next = reminder::prefill(*clock);
        hour = next.hour;
        minute = next.minute;
    }

    reminder::Offer offer() const {
        reminder::Offer o;
        o.normalChecked = !advanced;
        o.leftSaysMore = armed ? armedSaysMore : advanced && count < 4;
        o.query = armed;
        o.restore = hidden && !armed;
        o.hide = !armed && !hidden;
        if (!armed && entryOpen) {
            o.confirm = {true, Does::Arm};
            o.left = {true, !advanced ? Does::Clear : count < 4 ? Does::Take : Does::AskReset};
        }
        if (!armed && !hidden && !asking) {
            const bool taken = slots[1] || slots[2];
            o.normal = {true, !advanced ? Does::Nothing : taken ? Does::AskSwitch : Does::Switch};
            o.high = {true, advanced ? Does::Nothing : Does::Switch};
        }
        return o;
    }

    // The message field takes the focus.
    void visitMessage() {
        if (armed) return;
        if (!reminder::timeCheck(hour, minute).valid) return expect(error("时间设置不正确!"));
        if (reminder::timePassed(reminder::dueTimeText(hour, minute), *clock))
            expect(error("你设置的时间已经过去啦!"), [this](bool) { prefill(); });
        else
            entryOpen = true;
    }

    void confirm() {
        if (!checkTime()) return;
        const std::string due = reminder::dueTimeText(hour, minute);
        const int k = std::min(count, 3);
        const auto& told = toldInEntry[static_cast<std::size_t>(k - 1)];
        const bool others = std::any_of(slots.begin(), slots.begin() + k - 1,
                                        [](const auto& s) { return s.has_value(); });
        const bool sameAsTold = told && told->time == due && told->message == message;
        if (!(slots[static_cast<std::size_t>(k - 1)] == std::nullopt && sameAsTold && others)) {
            static const char* const noMessage[] = {
                "你还没有输入要提醒的事!", "你还没有输入第二件事呢!", "你还没有输入第三件事呢!"};
            if (!takes(k, due, noMessage[k - 1])) return;
        }
        std::vector<Reminder> armedOnes;
        for (std::size_t n = 0; n < 3; ++n) {
            if (n < static_cast<std::size_t>(k) && slots[n]) armedOnes.push_back(*slots[n]);
            if (n >= static_cast<std::size_t>(k) && slots[n]) drop(*slots[n]);
            slots[n].reset();
        }
        std::stable_sort(armedOnes.begin(), armedOnes.end(),
                         [](const Reminder& a, const Reminder& b) { return a.due < b.due; });
        for (std::size_t n = 0; n < armedOnes.size(); ++n) slots[n] = armedOnes[n];
        armedSaysMore = advanced && count < 4;
        armed = true;
        count = static_cast<int>(armedOnes.size());
        toldInEntry = {};
        static const char* const counted[] = {"只有一件事要提醒", "有两件事要提醒",
                                              "有三件事要提醒"};
        expect(product(counted[count - 1]));
    }

    void left() {
        if (!checkTime()) return;
        if (!advanced) {
            dropSlot(slots[0]);
            prefill();
            message.clear();
        } else if (count < 4) {
            static const char* const noMessage[] = {
                "你还没有输入第一件事!", "你还没有输入第二件事!", "你还没有输入第三件事!"};
            const int n = count;
            if (!takes(n, reminder::dueTimeText(hour, minute), noMessage[n - 1])) return;
            count = n + 1;
            // Still full after the box, the keys go to 确定, which takes it.
            if (n == 3)
                return expect(product("就这些吧?我记不下了!"),
                              [this](bool) { focusConfirm = !armed && advanced && count == 4; });
            title = n == 1 ? "提醒信息（事件二）" : "提醒信息（事件三）";
            message.clear();
            prefill();
        } else {
            ask([this](bool ok) {
                if (!ok || armed || !entryOpen || !advanced || count != 4) return;
                for (auto& s : slots) dropSlot(s);
                count = 1;
                toldInEntry = {};
                title = "提醒信息 (最多五十字)";
                prefill();
            });
        }
    }

    void normal() {
        if (!advanced) return;
        if (!slots[1] && !slots[2]) return toNormal();
        ask([this](bool ok) {
            if (ok && !armed && !hidden && advanced) toNormal();
        });
    }
    void high() {
        if (advanced) return;
        advanced = true;
        count = 1;
        toldInEntry = {};
    }

    // A reminder's box came: gives why it should not have, or "" and, in
    // `after`, what follows its answer.
    std::string told(const std::string& boxTitle, const std::string& prompt,
                     std::function<void(bool)>& after) {
        const auto r = std::find_if(pending.begin(), pending.end(), [&](const Reminder& p) {
            return " " + p.time + "啦!" == boxTitle && "应该" + p.message == prompt;
        });
        if (r == pending.end()) return "told a reminder not waiting: " + boxTitle + prompt;
        if (r->due > *clock) return "told before its moment: " + boxTitle + prompt;
        for (const Reminder& p : pending)
            if (p.due < r->due) return "told before " + p.time + " " + p.message + ": " + prompt;
        const Reminder shown = *r;
        pending.erase(r);
        hidden = false;  // the window comes back with the box
        after = [this, shown](bool) { afterTold(shown); };
        return "";
    }

private:
    void expect(pt::ShownBox b, std::function<void(bool)> after = {}) {
        expected.push_back({std::move(b), std::move(after)});
    }

    // The reset question: the modes wait for its answer.
    void ask(std::function<void(bool)> after) {
        asking = true;
        expect(product("真的要重设吗?", true), [this, after](bool ok) {
            asking = false;
            after(ok);
        });
    }

    bool checkTime() {
        const reminder::TimeCheck c = reminder::timeCheck(hour, minute);
        if (!c.valid) expect(error("时间设置不正确!"));
        if (c.valid) minute = c.minute;
        return c.valid;
    }

    // The fields taken as reminder k, or the box that says why not.
    bool takes(int k, const std::string& due, const char* noMessage) {
        if (reminder::timePassed(due, *clock)) {
            expect(error("你设置的时间已经过去啦!"));
            return false;
        }
        if (message.empty()) {
            expect(product(noMessage));
            return false;
        }
        auto& slot = slots[static_cast<std::size_t>(k - 1)];
        if (slot && slot->time == due && slot->message == message) return true;
        dropSlot(slot);
        static int serial = 0;
        slot = Reminder{++serial, due, message, *reminder::dueMoment(due, *clock)};
        pending.push_back(*slot);
        return true;
    }

    void drop(const Reminder& r) {
        std::erase_if(pending, [&](const Reminder& p) { return p.id == r.id; });
    }
    void dropSlot(std::optional<Reminder>& s) {
        if (s) drop(*s);
        s.reset();
    }

    // Reminder 1, if any, offered whole.
    void toNormal() {
        dropSlot(slots[1]);
        dropSlot(slots[2]);
        count = 1;
        advanced = false;
        toldInEntry = {};
        title = "提醒信息 (最多五十字)";
        message = slots[0] ? slots[0]->message : "";
        if (const auto f = slots[0] ? reminder::fieldsOf(slots[0]->time) : std::nullopt) {
            hour = f->hour;
            minute = f->minute;
        }
    }

    void afterTold(const Reminder& r) {
        for (std::size_t n = 0; n < 3; ++n) {
            if (!slots[n] || slots[n]->id != r.id) continue;
            slots[n].reset();
            if (!armed) toldInEntry[n] = r;
        }
        if (!armed) hidden = false;  // the entry comes back, where it was
        if (armed &&
            std::none_of(slots.begin(), slots.end(), [](const auto& s) { return s.has_value(); })) {
            // The last armed one: the entry is idle again, in the normal mode.
            armed = false;
            hidden = false;
            message.clear();
            prefill();
            toNormal();
        }
    }
};

std::string join(const std::vector<std::string>& texts) {
    std::string s;
    for (const std::string& t : texts) s += "[" + t + "]";
    return s;
}

std::string show(const reminder::Offer& o) {
    std::ostringstream s;
    const auto c = [&](const char* name, reminder::Command cmd) {
        s << name << (cmd.enabled ? "+" : "-") << static_cast<int>(cmd.does) << ' ';
    };
    c("确定", o.confirm);
    c("左", o.left);
    c("普通", o.normal);
    c("高级", o.high);
    s << (o.leftSaysMore ? "还有" : "重设") << (o.normalChecked ? " ✓普通" : " ✓高级") << " 查询"
      << o.query << " 恢复" << o.restore << " 隐藏" << o.hide;
    return s.str();
}

class Player {
public:
    explicit Player(const std::vector<Action>& actions) : actions_(actions) {
        model_.clock = &clock_;
        model_.prefill();
        pt::setClock([this] { return clock_; });
        pt::watchMessageBoxes([this](const pt::ShownBox& b) { return onBox(b); });
        pt::watchMenus([](const auto&) { return std::string(); });
        pt::watchSounds([this] { ++sounds_; });
        w_ = std::make_unique<frmMain>();
        pt::processEvents();
        auto visit = w_->Text4.onGotFocus;
        w_->Text4.onGotFocus = [this, visit] {
            model_.visitMessage();
            visit();
        };
        // A reader says the hour field's description as the keys arrive:
        // after a command, the reminder being entered is named before the
        // focus comes back. (Not yet so when the tick brings the entry back.)
        auto hour = w_->Text1.onGotFocus;
        w_->Text1.onGotFocus = [this, hour] {
            if (ticking_ == 0 && pt::accessibleDescription(w_->Text1) != model_.title &&
                fault_.empty())
                fault_ = "the hour field took the keys before it was named " + model_.title +
                         " after " + trail();
            hour();
        };
    }
    ~Player() {
        if (w_ && !w_->exiting()) pt::chooseMenuItem(w_->mnuTrayClose);
        w_.reset();
        pt::watchMenus(nullptr);
        pt::watchMessageBoxes(nullptr);
        pt::watchSounds([] {});
        pt::setClock(nullptr);
    }

    std::string play() {
        while (fault_.empty() && next_ < actions_.size()) step(actions_[next_++]);
        if (!fault_.empty()) return fault_;
        // Every reminder still waiting is told by the end of the day.
        if (frmInfo* info = w_->info()) pt::click(info->Command1);
        clock_ = kLast;
        tick();
        check("the day's end");
        if (fault_.empty() && !model_.pending.empty())
            fault_ =
                "never told: " + model_.pending.front().time + " " + model_.pending.front().message;
        return fault_;
    }

private:
    // Whether a person can reach the main window's controls now.
    bool windowInUse() const {
        return modals_ == 0 && w_->form.visible() && w_->form.height() > 2000 &&
               w_->form.windowState() == platform::Form::Normal;
    }
    platform::Control* focused() const {
        for (platform::Control* c : controls())
            if (c->hasFocus()) return c;
        return nullptr;
    }
    std::vector<platform::Control*> controls() const {
        return {&w_->Text1, &w_->Text2, &w_->Text4, &w_->Command2, &w_->Command1};
    }

    void step(const Action& a) {
        done_.push_back(a);
        act(a);
        // What was typed is what the fields hold (the fields' own cases
        // check typing); what the program puts there the model says.
        if (a.kind == Action::TypeHour || a.kind == Action::PasteHour ||
            a.kind == Action::TypeMinute || a.kind == Action::TypeMessage)
            readFields();
        if (std::exchange(model_.focusConfirm, false) && !w_->Command2.hasFocus() && fault_.empty())
            fault_ = "the third taken, the keys are not on 确定 after " + trail();
        check("after " + trail());
    }

    void readFields() {
        model_.hour = w_->Text1.text();
        model_.minute = w_->Text2.text();
        model_.message = w_->Text4.text();
    }

    void act(const Action& a) {
        frmMain& w = *w_;
        switch (a.kind) {
            case Action::TypeHour:
            case Action::TypeMinute: {
                if (!windowInUse()) return;
                platform::TextBox& box = a.kind == Action::TypeHour ? w.Text1 : w.Text2;
                const std::string text =
                    a.kind == Action::TypeHour ? pick(kHours, a.arg) : pick(kMinutes, a.arg);
                box.setFocus();
                box.setSelStart(0);
                box.setSelLength(box.length());
                for (char c : text)
                    if (c < '0' || c > '9')
                        model_.expected.push_back({error("你输入的不是数字!"), {}});
                return pt::typeText(box, text);
            }
            case Action::PasteHour:
                if (!windowInUse()) return;
                w.Text1.setFocus();
                return pt::paste(w.Text1, pick(kPastes, a.arg));
            case Action::TypeMessage:
                if (!windowInUse()) return;
                w.Text4.setFocus();
                if (!windowInUse() || !w.Text4.hasFocus()) return;
                w.Text4.setSelStart(0);
                w.Text4.setSelLength(w.Text4.length());
                if (a.arg == 0) return pt::pressKey(w.Text4, platform::KeyBack);
                return pt::commitInputMethod(w.Text4, "事" + std::to_string(++messages_));
            case Action::Tab:
            case Action::Enter:
            case Action::Escape: {
                platform::Control* c = windowInUse() ? focused() : nullptr;
                if (!c) return;
                if (a.kind == Action::Tab) return pt::pressKey(*c, platform::KeyTab);
                // The time fields take digits only, and say so of any other key.
                if (c == &w.Text1 || c == &w.Text2)
                    model_.expected.push_back({error("你输入的不是数字!"), {}});
                if (a.kind == Action::Escape) return pt::pressKey(*c, platform::KeyEscape);
                if (c == &w.Command2 || c == &w.Command1)
                    return press(*static_cast<platform::CommandButton*>(c), true);
                pt::pressKey(*c, platform::KeyReturn);
                if (c == &w.Text4 && w.Command2.enabled() && !w.Command2.hasFocus())
                    fault_ = "Enter in the message did not move on to 确定 after " + trail();
                return;
            }
            case Action::ClickConfirm:
                return press(w.Command2, false);
            case Action::ClickLeft:
                return press(w.Command1, false);
            case Action::Menu:
                return choose(a.arg % 6);
            case Action::TrayLeft:
                return pt::trayClick(w.form, platform::LeftButton);
            case Action::SecondStart: {
                // Idle, the window comes back before About opens over it.
                if (!model_.armed) model_.hidden = false;
                w.App_StartAgain();
                pt::processEvents();
                // (Unless put away again from a box the window's return ran.)
                if (!model_.armed && !model_.hidden &&
                    (!w.form.visible() || w.form.windowState() != platform::Form::Normal))
                    fault_ = "a second start left the window away";
                if (model_.armed && !w.info())
                    fault_ = "a second start while armed shows no notice";
                return;
            }
            case Action::Minimise:
                if (windowInUse()) w.form.setWindowState(platform::Form::Minimized);
                return pt::processEvents();
            case Action::Unminimise:
                if (modals_ == 0 && w.form.visible() &&
                    w.form.windowState() == platform::Form::Minimized)
                    pt::restoreFromTaskbar(w.form);
                return;
            case Action::CloseNotice:
                if (frmInfo* info = w.info()) pt::click(info->Command1);
                return;
            case Action::Tick:
                return tickTo(clock_ + std::chrono::milliseconds{500});
            case Action::ToNextDue: {
                std::optional<LocalTime> due;
                for (const Reminder& r : model_.pending)
                    if (!due || r.due < *due) due = r.due;
                if (!due || *due <= clock_) return tickTo(clock_ + std::chrono::milliseconds{500});
                if (*due - clock_ > std::chrono::seconds{1}) tickTo(*due - std::chrono::seconds{1});
                return tickTo(*due + std::chrono::milliseconds{200});
            }
            case Action::JumpForward:
            case Action::JumpBack: {
                const auto by = std::chrono::minutes{pick(kJumps, a.arg)};
                clock_ = a.kind == Action::JumpForward ? std::min(clock_ + by, kLast)
                                                       : std::max(clock_ - by, kFirst);
                ++ticking_;
                pt::announceClockSet();
                --ticking_;
                return tickTo(clock_);
            }
            case Action::Answer:
            case Action::Count:
                return;
        }
    }

    // A tick at t. One that comes with no reminder's box open tells every
    // reminder that came due since the last such tick; one behind a box
    // leaves that to the tick after the box, from the earlier of the two
    // times (a clock set back starts the interval anew).
    void tickTo(LocalTime t) {
        const LocalTime from = lastTick_;
        clock_ = std::min(t, kLast);
        if (telling_ > 0) {
            lastTick_ = std::min(lastTick_, clock_);
            tick();
            // Behind a reminder's box a tick only shows the time.
            if (w_->Label1.caption() != reminder::clockText(clock_) && fault_.empty())
                fault_ = "the clock behind a box shows " + w_->Label1.caption();
            return;
        }
        lastTick_ = clock_;
        const LocalTime at = clock_;
        tick();
        // Actions played inside a box it opens may set the clock on, which
        // the next tick follows, or back, before reminders it had crossed.
        const LocalTime until = std::min(at, clock_);
        for (const Reminder& r : model_.pending)
            if (fault_.empty() && r.due > from && r.due <= until && !w_->exiting())
                fault_ =
                    "not told at its moment: " + r.time + " " + r.message + " after " + trail();
    }

    void tick() {
        ++ticking_;
        pt::fireTimer(w_->Timer1);
        --ticking_;
    }

    // A button clicked, or pressed with Enter, as a person can: enabled, in
    // the window in use.
    void press(platform::CommandButton& b, bool byEnter) {
        if (!windowInUse() || !b.enabled()) return;
        frmMain& w = *w_;
        if (&b == &w.Command2)
            model_.confirm();
        else
            model_.left();
        if (byEnter)
            pt::pressKey(b, platform::KeyReturn);
        else
            pt::click(b);
    }

    void choose(int item) {
        frmMain& w = *w_;
        platform::MenuItem* items[] = {&w.mnuTrayNormal,  &w.mnuTrayHigh, &w.mnuTrayQuery,
                                       &w.mnuTrayRestore, &w.mnuTrayHide, &w.mnuTrayAbout};
        if (!items[item]->enabled()) return;
        // A mode chosen from the tray leaves the keys where they were, but
        // for a button left without its command (the hour field takes them
        // from it); 高级, when it opens the advanced entry, puts them in the
        // hour field.
        platform::Control* keys = item <= 1 && windowInUse() ? focused() : nullptr;
        if (keys && item == 1 && w.book.offer().high.does == reminder::Does::Switch)
            keys = &w.Text1;
        const std::size_t played = done_.size();
        switch (item) {
            case 0:
                model_.normal();
                break;
            case 1:
                model_.high();
                break;
            case 3:
                model_.hidden = false;
                break;
            case 4:
                model_.hidden = true;
                break;
            case 5:
                if (w.about()) break;
                // Played on from inside About's own loop, until answered.
                pt::runFromEventLoop([this] { insideAbout(); });
                break;
            default:
                break;
        }
        pt::chooseMenuItem(*items[item]);
        if (!keys || done_.size() != played || !windowInUse()) return;
        if ((keys == &w.Command2 || keys == &w.Command1) &&
            !static_cast<platform::CommandButton*>(keys)->enabled())
            keys = &w.Text1;
        if (focused() != keys && fault_.empty())
            fault_ = "the keys went elsewhere than the mode's choice leaves them after " + trail();
    }

    void insideAbout() {
        frmAbout* about = w_->about();
        if (!about) return;
        // The window stands collapsed to its title bar over About, whose
        // OK has the keys.
        if ((w_->form.height() > 600 || w_->form.top() != about->form.top() ||
             !about->cmdOK.hasFocus()) &&
            fault_.empty())
            fault_ = "About opened over a window not collapsed, or off its OK, after " + trail();
        ++modals_;
        const int answer = playUntilAnswer();
        --modals_;
        if ((about = w_->about()) == nullptr) return;
        if (!model_.armed) model_.hidden = false;  // the window is back in use
        if (answer == 0)
            pt::click(about->cmdOK);
        else
            pt::closeByCloseBox(about->form);
        if (windowInUse() && !pt::eventually([&] { return pt::isForeground(w_->form); }) &&
            fault_.empty())
            fault_ = "About closed, the window in use is not in front after " + trail();
    }

    // Plays the actions inside an open box or About up to the Answer that
    // closes it; at the end of the actions, OK.
    int playUntilAnswer() {
        while (fault_.empty() && next_ < actions_.size()) {
            const Action a = actions_[next_++];
            if (a.kind == Action::Answer) {
                done_.push_back(a);
                return a.arg;
            }
            if (a.kind == Action::Enter || a.kind == Action::Escape) {
                done_.push_back(a);
                return a.kind == Action::Enter ? 0 : 1;
            }
            step(a);
        }
        return 0;
    }

    std::string onBox(const pt::ShownBox& b) {
        for (const pt::ShownBox& open : open_)
            if (open == b && fault_.empty()) fault_ = "one cause, two boxes: " + describe(b);
        std::function<void(bool)> after;
        // A reminder's box comes with one sound; no other box sounds.
        const bool reminder = b.prompt.rfind("应该", 0) == 0;
        if (sounds_ != (reminder ? 1 : 0) && fault_.empty())
            fault_ = std::to_string(sounds_) + " sounds with " + describe(b) + " after " + trail();
        sounds_ = 0;
        if (reminder) {
            // The notice goes before the box; the window stands collapsed
            // to its title bar on top, the box over it.
            if ((w_->info() || !w_->form.visible() || w_->form.height() > 1250 ||
                 !w_->form.topMost()) &&
                fault_.empty())
                fault_ = "a notice open, or the window not collapsed on top, under " + describe(b) +
                         " after " + trail();
            const std::string why = model_.told(b.title, b.prompt, after);
            if (!why.empty() && fault_.empty()) fault_ = why + " after " + trail();
            ++telling_;
        } else if (model_.expected.empty() || model_.expected.front().box != b) {
            if (fault_.empty())
                fault_ =
                    "box " + describe(b) + " not expected" +
                    (model_.expected.empty() ? ""
                                             : ", but " + describe(model_.expected.front().box)) +
                    " after " + trail();
        } else {
            after = std::move(model_.expected.front().after);
            model_.expected.pop_front();
        }
        open_.push_back(b);
        ++modals_;
        check("with " + describe(b) + " open after " + trail());
        int answer = playUntilAnswer();
        --modals_;
        open_.pop_back();
        if (b.prompt.rfind("应该", 0) == 0) --telling_;
        const bool ok = answer == 0 || b.buttons.size() == 1;
        if (after) after(ok);
        return ok ? "确定" : "取消";
    }

    std::string trail() const {
        std::ostringstream s;
        for (const Action& a : done_) s << a << ' ';
        return s.str();
    }

    void check(const std::string& when) {
        if (!fault_.empty() || w_->exiting()) return;
        frmMain& w = *w_;
        if (!model_.expected.empty() && modals_ == 0) {
            fault_ = "no box " + describe(model_.expected.front().box) + " " + when;
            return;
        }
        const reminder::Offer book = w.book.offer();
        if (show(book) != show(model_.offer())) {
            fault_ = "offered " + show(book) + "\n  the model offers " + show(model_.offer()) +
                     "\n  " + when;
            return;
        }
        const std::vector<std::string> entry{w.Text1.text(), w.Text2.text(), w.Text4.text(),
                                             w.Label5.caption()};
        const std::vector<std::string> modelled{model_.hour, model_.minute, model_.message,
                                                model_.title};
        // (Behind a box the fields may be half typed: the key that opened it.)
        // What a reader says of the fields and the left button.
        const bool named = modals_ > 0 || (pt::accessibleDescription(w.Text1) == model_.title &&
                                           pt::accessibleName(w.Text4) == model_.title &&
                                           pt::accessibleName(w.Command1) ==
                                               (book.leftSaysMore ? "还有" : "重设"));
        if ((entry != modelled || !named) && modals_ == 0) {
            fault_ = "the entry shows " + join(entry) + (named ? "" : ", named otherwise,") +
                     " the model " + join(modelled) + " " + when;
            return;
        }
        const bool shown = w.Command2.enabled() == book.confirm.enabled &&
                           w.Command1.enabled() == book.left.enabled &&
                           (w.Command1.caption() == "还有") == book.leftSaysMore &&
                           w.mnuTrayNormal.enabled() == book.normal.enabled &&
                           w.mnuTrayHigh.enabled() == book.high.enabled &&
                           w.mnuTrayNormal.checked() == book.normalChecked &&
                           w.mnuTrayHigh.checked() == !book.normalChecked &&
                           w.mnuTrayQuery.enabled() == book.query &&
                           w.mnuTrayRestore.enabled() == book.restore &&
                           w.mnuTrayHide.enabled() == book.hide;
        if (!shown) {
            fault_ = "the buttons or the menu show another offer than the book's " + when;
            return;
        }
        // The notice window, only while armed, stands centred and lists
        // only reminders still to come.
        if (frmInfo* info = w.info()) {
            bool listed =
                (model_.armed || telling_ > 0) &&
                std::abs(info->form.left() * 2 + info->form.width() - platform::screenWidth()) <=
                    30 &&
                std::abs(info->form.top() * 2 + info->form.height() - platform::screenHeight()) <=
                    30;
            for (int i = 0; i < 3 && telling_ == 0; ++i)
                listed &= info->Label1[i].caption().empty() ||
                          std::any_of(model_.pending.begin(), model_.pending.end(),
                                      [&](const Reminder& r) {
                                          return info->Label1[i].caption() == "时间：" + r.time;
                                      });
            if (!listed) {
                fault_ = "the notice window is open idle, off centre or lists one told " + when;
                return;
            }
        }
        if (model_.armed && w.form.visible() && telling_ == 0) {
            fault_ = "armed, the main window is on screen " + when;
            return;
        }
        if (!model_.armed && model_.hidden == w.form.visible() && modals_ == 0) {
            fault_ = std::string(model_.hidden ? "put away, the window is on screen "
                                               : "in use, the window is away ") +
                     when;
            return;
        }
        // Minimised, the window may stay active in the task bar: the system's own way.
        if (w.form.windowState() != platform::Form::Normal) return;
        // In use, it stands where it started: centred, whole, on top.
        if (windowInUse() &&
            (std::abs(w.form.left() * 2 + w.form.width() - platform::screenWidth()) > 30 ||
             std::abs(w.form.top() * 2 + w.form.height() - platform::screenHeight()) > 30 ||
             !w.form.topMost())) {
            fault_ = "the window in use is off centre or not on top " + when;
            return;
        }
        if (pt::isForeground(w.form) && (!w.form.visible() || w.form.height() < 2000)) {
            fault_ = "the active window is the main window out of view " + when;
            return;
        }
        for (platform::Control* c : controls()) {
            if (!pt::holdsKeyboardFocus(*c)) continue;
            if (!w.form.visible() || w.form.height() < 2000 || !c->enabled())
                fault_ = "the keys go to a control not in view " + when;
        }
    }

    const std::vector<Action>& actions_;
    std::size_t next_ = 0;
    std::vector<Action> done_;
    LocalTime clock_ = kStart;
    LocalTime lastTick_ = kStart;
    Model model_;
    std::unique_ptr<frmMain> w_;
    std::vector<pt::ShownBox> open_;
    int modals_ = 0;   // boxes and About open
    int telling_ = 0;  // reminders' boxes open
    int sounds_ = 0;   // since the last box
    int messages_ = 0;
    int ticking_ = 0;  // ticks running
    std::string fault_;
};

}  // namespace

std::ostream& operator<<(std::ostream& os, const Action& a) {
    os << kKinds[a.kind];
    switch (a.kind) {
        case Action::TypeHour:
            return os << '(' << pick(kHours, a.arg) << ')';
        case Action::TypeMinute:
            return os << '(' << pick(kMinutes, a.arg) << ')';
        case Action::PasteHour:
            return os << '(' << pick(kPastes, a.arg) << ')';
        case Action::TypeMessage:
            return os << (a.arg == 0 ? "(empty)" : "");
        case Action::Menu:
            return os << '(' << pick(kMenu, a.arg) << ')';
        case Action::JumpForward:
        case Action::JumpBack:
            return os << '(' << pick(kJumps, a.arg) << "min)";
        case Action::Answer:
            return os << (a.arg == 0 ? "(OK)" : "(Cancel)");
        default:
            return os;
    }
}

std::vector<Action> actionsFrom(const std::string& words) {
    std::vector<Action> actions;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        const std::size_t colon = word.find(':');
        const auto kind = std::find(std::begin(kKinds), std::end(kKinds), word.substr(0, colon));
        if (kind == std::end(kKinds)) throw std::invalid_argument("no action " + word);
        actions.push_back({static_cast<Action::Kind>(kind - std::begin(kKinds)),
                           colon == std::string::npos ? 0 : std::stoi(word.substr(colon + 1))});
    }
    return actions;
}

std::string playSequence(const std::vector<Action>& actions) {
    return Player(actions).play();
}
