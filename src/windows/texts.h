// Texts that more than one handler shows.
#pragma once

namespace texts {

// The face of every control's text; 9 pt unless the layout says otherwise.
inline constexpr const char* kFont = "宋体";

inline constexpr const char* kProduct = "Tockmere";
inline constexpr const char* kErrorTitle = "出错啦!";
inline constexpr const char* kPassed = "你设置的时间已经过去啦!";
inline constexpr const char* kReset = "重设";
inline constexpr const char* kMore = "还有";
inline constexpr const char* kMessageTitle = "提醒信息（最多五十字）";
// Set when an entry starts again; ASCII space and parentheses.
inline constexpr const char* kMessageTitleAgain = "提醒信息 (最多五十字)";

}  // namespace texts
