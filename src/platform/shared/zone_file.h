// Compiled time zone files (TZif), as the C library on Linux reads them.
#pragma once

#include <string>

namespace platform {

// Whether `path` holds a whole compiled zone file: its header, every table
// its counts announce and, from version 2 on, the second header, its tables
// and the closing rule line. A file still being written is not whole.
bool zoneFileWhole(const std::string& path);

}  // namespace platform
