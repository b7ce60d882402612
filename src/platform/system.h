// The local clock, the program's folder, the ANSI code page and the launch
// of other programs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace platform {

LocalTime now();

// The folder the running program was started from.
std::string programFolder();
// Makes a folder the current directory; false when that failed.
bool setCurrentDirectory(const std::string& folder);
// Makes the drive of a folder the current drive (nothing to do without drives).
bool setCurrentDrive(const std::string& folder);

// Text in the system's ANSI code page (GB2312/GBK on the target systems).
std::string toAnsi(const std::string& utf8);
std::string fromAnsi(const std::string& ansi);

// True when a normal file exists at the path.
bool fileExists(const std::string& path);
// Starts the program at the path as a process of its own, without a shell,
// and does not wait for it; false when it could not be started.
bool launchProgram(const std::string& path);

// Makes a reminder heard as its box comes: the desktop's alarm sound where
// a message box is silent; nothing where the system's box sounds by itself.
void soundReminder();

}  // namespace platform
