// The registry as the About window reads it. This system has none; the one
// value the program looks for, the path of the system-information program,
// is answered with the first such program found on the PATH.
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "platform/declared.h"
#include "platform/hooks.h"
#include "platform/qt/registry.h"
#include "platform/system.h"

namespace platform {

namespace {

constexpr std::int32_t kNotFound = 2, kAccessDenied = 5, kInvalidHandle = 6, kMoreData = 234;

struct Value {
    std::uint32_t type;
    std::string data;
};

// Key and value names compare without regard to case, as there.
std::string folded(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct Store {
    std::map<std::string, std::map<std::string, Value>> keys;  // HKLM keys
    std::map<HKey, std::string> open;
    HKey next = 0x3000;
    bool seeded = false;
};

Store& store() {
    static Store s;
    return s;
}

const char* const kSystemInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

void seed() {
    Store& s = store();
    if (s.seeded) return;
    s.seeded = true;
    for (const char* program : kSystemInfoPrograms) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (found.isEmpty()) continue;
        s.keys[folded(kSystemInfoKey)][folded("PATH")] = {REG_SZ,
                                                          toAnsi(found.toStdString()) + '\0'};
        return;
    }
}

}  // namespace

void setRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                      const std::string& data) {
    seed();
    store().keys[folded(key)][folded(name)] = {type, data};
}

void clearRegistry() {
    seed();
    store().keys.clear();
}

std::int32_t RegOpenKeyExA(HKey root, const char* subKey, std::uint32_t, std::uint32_t access,
                           HKey* result) {
    seed();
    if (result) *result = 0;
    if (root != HKEY_LOCAL_MACHINE || !subKey || !result) return kNotFound;
    // As for a user who is not elevated: HKEY_LOCAL_MACHINE is for reading.
    if ((access & kRegistryWriteRights) && localMachineWritable() != 1) return kAccessDenied;
    const std::string key = folded(subKey);
    if (!store().keys.contains(key)) return kNotFound;
    *result = store().next++;
    store().open[*result] = key;
    return 0;
}

std::int32_t RegQueryValueExA(HKey key, const char* valueName, std::uint32_t*, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
    const auto open = store().open.find(key);
    if (open == store().open.end()) return kInvalidHandle;
    const auto& values = store().keys[open->second];
    const auto it = values.find(folded(valueName ? valueName : ""));
    if (it == values.end()) return kNotFound;
    const Value& v = it->second;
    if (type) *type = v.type;
    if (!size) return 0;
    const auto length = static_cast<std::uint32_t>(v.data.size());
    if (data && *size < length) {
        *size = length;
        return kMoreData;
    }
    if (data) std::memcpy(data, v.data.data(), length);
    *size = length;
    return 0;
}

std::int32_t RegCloseKey(HKey key) {
    return store().open.erase(key) ? 0 : kInvalidHandle;
}

}  // namespace platform
