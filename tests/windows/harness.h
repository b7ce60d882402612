// What every window test shares: a clock the test sets, and message boxes
// that the test reads and answers while they are really on screen.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing.h"
#include "reminder/clock_text.h"

namespace pt = platform::testing;

struct Box {
    std::string prompt;
    std::string title;
    std::vector<std::string> buttons;
    bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Box& b) {
    os << "{\"" << b.prompt << "\", \"" << b.title << "\", [";
    for (const auto& c : b.buttons) os << c << ' ';
    return os << "]}";
}

inline Box okBox(std::string prompt, std::string title) {
    return {std::move(prompt), std::move(title), {"确定"}};
}
inline Box errorBox(std::string prompt) {
    return okBox(std::move(prompt), "出错啦!");
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        pt::setClock([this] { return clock; });
        pt::watchMessageBoxes([this](const pt::ShownBox& shown) {
            EXPECT_FALSE(shown.hasIcon) << shown.prompt;
            boxes.push_back({shown.prompt, shown.title, shown.buttons});
            if (whileBoxOpen) whileBoxOpen(boxes.back());
            std::string answer = "确定";
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            return answer;
        });
    }
    void TearDown() override {
        pt::watchMessageBoxes(nullptr);
        pt::setClock(nullptr);
        EXPECT_TRUE(answers.empty()) << "answers left unused";
    }

    void setTime(int hour, int minute, int second, int ms = 0) {
        clock = reminder::makeLocalTime(2026, 12, 6, hour, minute, second, ms);
    }

    // The boxes shown since the last call.
    std::vector<Box> takeBoxes() { return std::exchange(boxes, {}); }

    reminder::LocalTime clock = reminder::makeLocalTime(2026, 12, 6, 9, 41, 50);
    std::vector<Box> boxes;
    std::deque<std::string> answers;               // buttons to press, in order; else OK
    std::function<void(const Box&)> whileBoxOpen;  // runs while each box is open
};
