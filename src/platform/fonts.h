// The typeface rule every window follows on every system: the face the
// layout names (宋体) and, where it is missing, the first of these that is
// there. Each draws Latin letters and spaces half as wide as a Chinese
// character, as 宋体 does, so that text laid out with spaces (the units
// between the time fields) keeps its places.
#pragma once

namespace platform {

inline constexpr const char* kFallbackFaces[] = {
    "SimSun", "NSimSun", "新宋体", "WenQuanYi Zen Hei Mono", "Noto Sans Mono CJK SC", "MS Gothic"};

}  // namespace platform
