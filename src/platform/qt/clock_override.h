#pragma once

#include <functional>

#include "platform/types.h"

namespace platform {

// Replaces the local clock (tests); an empty function restores it.
void setClockOverride(std::function<LocalTime()> clock);

}  // namespace platform
