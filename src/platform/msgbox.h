// Modal message boxes: a prompt, a title, OK or OK and Cancel, no icon. The
// event loop keeps running while a box is open, so timers and tray events
// are still handled.
#pragma once

#include <string>

namespace platform {

enum class MsgButtons { OK, OKCancel };
enum class MsgResult { OK, Cancel };

// The buttons read "确定" and "取消". Closing the box any other way counts as
// Cancel where there is one, else as OK.
MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, const std::string& title);

}  // namespace platform
