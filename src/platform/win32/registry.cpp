// The registry functions are the system's own; the tests can deny
// changing keys under HKEY_LOCAL_MACHINE.
#include "platform/hooks.h"
#include "platform/win32/impl.h"

namespace platform {

std::int32_t RegOpenKeyExA(HKey root, const char* subKey, std::uint32_t options,
                           std::uint32_t access, HKey* result) {
    HKEY key = nullptr;
    if (reinterpret_cast<HKEY>(root) == HKEY_LOCAL_MACHINE && (access & kRegistryWriteRights) &&
        localMachineWritable() == 0) {
        if (result) *result = 0;
        return ERROR_ACCESS_DENIED;
    }
    const LONG r = ::RegOpenKeyExA(reinterpret_cast<HKEY>(root), subKey, options, access, &key);
    if (result) *result = reinterpret_cast<HKey>(key);
    return r;
}

std::int32_t RegQueryValueExA(HKey key, const char* valueName, std::uint32_t*, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) {
    DWORD t = 0, n = size ? *size : 0;
    const LONG r = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName, nullptr, &t, data,
                                      size ? &n : nullptr);
    if (type) *type = t;
    if (size) *size = n;
    return r;
}

std::int32_t RegCloseKey(HKey key) {
    return ::RegCloseKey(reinterpret_cast<HKEY>(key));
}

}  // namespace platform
