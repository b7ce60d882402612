// What every window test shares: a clock the test sets, and message boxes
// that the test reads and answers while they are really on screen.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "reminder/clock_text.h"
#include "support/local_time.h"
#include "support/testing.h"
#include "windows/frmMain.h"

namespace pt = platform::testing;

using Box = pt::ShownBox;

namespace platform::testing {
inline std::ostream& operator<<(std::ostream& os, const ShownBox& b) {
    os << "{\"" << b.prompt << "\", \"" << b.title << "\", [";
    for (const auto& c : b.buttons) os << c << ' ';
    return os << "]}";
}
}  // namespace platform::testing

inline Box okBox(std::string prompt, std::string title) {
    return {std::move(prompt), std::move(title), {"确定"}};
}
inline Box errorBox(std::string prompt) {
    return okBox(std::move(prompt), "出错啦!");
}
// A box that reports, informs or asks: titled with the product's name.
inline Box product(std::string prompt) {
    return okBox(std::move(prompt), "Tockmere");
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        pt::setClock([this] { return clock; });
        pt::watchMessageBoxes([this](const pt::ShownBox& shown) {
            EXPECT_FALSE(shown.hasIcon) << shown.prompt;
            // A copy: a box opened behind this one adds to the list.
            const Box box = shown;
            boxes.push_back(box);
            if (whileBoxOpen) whileBoxOpen(box);
            return std::string("确定");
        });
        pt::watchMenus([this](const std::vector<pt::ShownMenuItem>& items) {
            menus.push_back(items);
            std::string choice;
            if (!menuChoices.empty()) {
                choice = menuChoices.front();
                menuChoices.pop_front();
            }
            return choice;
        });
    }
    void TearDown() override {
        pt::watchMenus(nullptr);
        pt::watchMessageBoxes(nullptr);
        pt::setClock(nullptr);
        EXPECT_TRUE(menuChoices.empty()) << "menu choices left unused";
    }

    void setTime(int hour, int minute, int second, int ms = 0) {
        clock = reminder::makeLocalTime(2026, 12, 6, hour, minute, second, ms);
    }

    // The boxes shown since the last call.
    std::vector<Box> takeBoxes() { return std::exchange(boxes, {}); }

    reminder::LocalTime clock = reminder::makeLocalTime(2026, 12, 6, 9, 41, 50);
    std::vector<Box> boxes;
    std::function<void(const Box&)> whileBoxOpen;       // runs while each box is open
    std::vector<std::vector<pt::ShownMenuItem>> menus;  // every pop-up menu shown
    std::deque<std::string> menuChoices;                // items to choose, in order; else none
};

// A test of the main window, started at the harness clock.
class MainWindowTest : public WindowTest {
protected:
    void start() {
        w = std::make_unique<frmMain>();
        pt::processEvents();
    }

    // Types a reminder as a person would: hour, Tab, minute, Tab, message.
    // Arriving in the message field runs its passed test.
    void enter(const std::string& hour, const std::string& minute, const std::string& message) {
        typeInto(w->Text1, hour);
        pt::pressKey(w->Text1, platform::KeyTab);
        typeInto(w->Text2, minute);
        pt::pressKey(w->Text2, platform::KeyTab);
        if (w->Text4.hasFocus()) pt::commitInputMethod(w->Text4, message);
    }

    // One tick of the main window's timer at the given time of day.
    void tickAt(int hour, int minute, int second, int ms = 0) {
        setTime(hour, minute, second, ms);
        pt::fireTimer(w->Timer1);
    }

    // The menu's entry modes and the two command buttons.
    void advanced() { pt::chooseMenuItem(w->mnuTrayHigh); }
    void more() { pt::click(w->Command1); }
    void confirm() { pt::click(w->Command2); }

    // Arms reminders through the window: one in the normal mode, or several
    // with More and then Confirm in the advanced mode. Its boxes are dropped.
    using Reminders = std::vector<std::array<std::string, 3>>;
    void arm(const Reminders& reminders) {
        if (reminders.size() > 1) advanced();
        for (const auto& [hour, minute, message] : reminders) {
            enter(hour, minute, message);
            if (&message != &reminders.back()[2]) more();
        }
        confirm();
        ASSERT_FALSE(w->book.noneArmed);
        takeBoxes();
    }

    // Opens About, by 关于 unless `open` says how, and runs `whileOpen` once
    // from a tick while the modal box is up; true if it ran. `whileOpen`
    // closes About: one it leaves open is unloaded, or the test would wait.
    bool withAboutOpen(const std::function<void(frmAbout&)>& whileOpen,
                       const std::function<void()>& open = {}) {
        bool ran = false;
        auto tick = std::exchange(w->Timer1.onTimer, [&] {
            if (frmAbout* a = w->about(); a && !ran) {
                ran = true;
                whileOpen(*a);
                if (frmAbout* left = w->about()) {
                    ADD_FAILURE() << "About is still open";
                    left->form.unload();
                }
            }
        });
        pt::holdTimers(false);
        if (open)
            open();
        else
            pt::chooseMenuItem(w->mnuTrayAbout);
        pt::holdTimers(true);
        w->Timer1.onTimer = std::move(tick);
        return ran;
    }

    // While a box is open: it is active, above the main window (raised from
    // its own message loop within a moment, as a person sees it), and the
    // keys a person types go to it.
    void expectBoxInFront(const std::string& when) {
        EXPECT_TRUE(pt::aBoxIsActive()) << when;
        if (pt::boxesAbove(w->form)) {
            EXPECT_TRUE(pt::eventually([&] { return *pt::boxesAbove(w->form); })) << when;
        }
        const auto fields = [&] {
            return std::vector<std::string>{w->Text1.text(), w->Text2.text(), w->Text4.text()};
        };
        const auto before = fields();
        pt::typeWhereTheFocusIs("12");
        EXPECT_EQ(fields(), before) << when << ": keys reached the fields behind";
    }

    // Ticks every 500 ms from one time of day to another, both included.
    void ticksFrom(int h1, int m1, int s1, int h2, int m2, int s2) {
        const auto end = reminder::makeLocalTime(2026, 12, 6, h2, m2, s2);
        for (setTime(h1, m1, s1); clock <= end; clock += std::chrono::milliseconds{500})
            pt::fireTimer(w->Timer1);
    }

    // The prompts and titles of the firing boxes among the boxes shown.
    static std::vector<std::string> told(const std::vector<Box>& shown) {
        std::vector<std::string> out;
        for (const Box& b : shown)
            if (b.prompt.rfind("应该", 0) == 0) out.push_back(b.title + b.prompt);
        return out;
    }

    std::unique_ptr<frmMain> w;

private:
    static void typeInto(platform::TextBox& box, const std::string& text) {
        box.setFocus();
        box.setSelStart(0);
        box.setSelLength(box.length());
        if (text.empty())
            pt::pressKey(box, platform::KeyBack);
        else
            pt::typeText(box, text);
    }
};
