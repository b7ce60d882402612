// The local time zone on Linux as the C library reads it, taken only once
// its file is whole, and watched while the program sleeps.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The file the C library takes the local zone from: /etc/localtime, or the
// file TZ names (":/path", "/path", ":Area/City"); none when TZ gives a rule.
std::optional<std::string> zoneFile();

// Called before each reading of the local clock. A zone whose file changed
// is taken once the file is whole; until then the zone in use stays. A zone
// taken wakes the sleeping timers.
void takeSettledZone();

// Watches the zone's file, the link to it and the mounts, so that a change
// is taken while every timer sleeps. Other names in its folder wake nobody.
void watchZone();

}  // namespace platform
