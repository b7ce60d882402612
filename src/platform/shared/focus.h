// What the windows of both backends do with the focus and the tab order,
// over each backend's own handle of a control.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/controls.h"

namespace platform {

// A control took the focus: its window remembers it as the control that
// last took the focus there, and the program hears of it. The focus coming
// back to that control with its window is no new visit and is not told.
template <class Remembered, class Native>
void noteFocus(Remembered& active, const Native& control, Control* owner) {
    if (active == control) return;
    active = control;
    if (owner && owner->onGotFocus) owner->onGotFocus();
}

// Controls by tab index; controls with the same index keep the order they
// were given it in.
template <class Native>
void sortTabStops(std::vector<std::pair<int, Native>>& tabStops) {
    std::stable_sort(tabStops.begin(), tabStops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

}  // namespace platform
