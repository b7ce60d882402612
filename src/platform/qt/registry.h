#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The programs that stand for the system-information program, in the order
// they are looked for on the PATH.
inline constexpr const char* kSystemInfoPrograms[] = {"hardinfo2", "hardinfo", "kinfocenter",
                                                      "gnome-system-monitor"};

// The tests' hold on the registry: values under HKEY_LOCAL_MACHINE, the
// data as the system would keep it (ANSI text with or without its NUL).
void setRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                      const std::string& data);
void clearRegistry();

}  // namespace platform
