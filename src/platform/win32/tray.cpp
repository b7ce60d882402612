// The notification area: Shell_NotifyIconA hands the record over in the
// system's layout of its first form (see declared.h), and keeps each icon
// to add again when the shell starts anew.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/system.h"
#include "platform/test_seams.h"
#include "platform/win32/impl.h"

#include <shellapi.h>

namespace platform {

namespace {

struct Icon {
    ::NOTIFYICONDATAA data;  // as last added or changed, to add again
};
std::map<std::pair<HWND, UINT>, Icon>& icons() {
    static std::map<std::pair<HWND, UINT>, Icon> all;
    return all;
}
std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>>& log() {
    static std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>> calls;
    return calls;
}
int availableOverride = -1;

::NOTIFYICONDATAA systemRecord(const NOTIFYICONDATAA& r) {
    ::NOTIFYICONDATAA d{};
    d.cbSize = NOTIFYICONDATAA_V1_SIZE;
    d.hWnd = reinterpret_cast<HWND>(static_cast<LongPtr>(r.hWnd));
    d.uID = r.uID;
    d.uFlags = r.uFlags;
    d.uCallbackMessage = r.uCallbackMessage;
    d.hIcon = reinterpret_cast<HICON>(static_cast<LongPtr>(r.hIcon));
    std::memcpy(d.szTip, r.szTip, sizeof r.szTip);
    return d;
}

// The same record in the program's 88-byte form, for the log.
NOTIFYICONDATAA programRecord(const ::NOTIFYICONDATAA& d) {
    NOTIFYICONDATAA r{};
    r.cbSize = sizeof r;
    r.hWnd = static_cast<std::int32_t>(reinterpret_cast<LongPtr>(d.hWnd));
    r.uID = d.uID;
    r.uFlags = d.uFlags;
    r.uCallbackMessage = d.uCallbackMessage;
    r.hIcon = static_cast<std::int32_t>(reinterpret_cast<LongPtr>(d.hIcon));
    std::memcpy(r.szTip, d.szTip, sizeof r.szTip);
    return r;
}

}  // namespace

const std::vector<std::pair<std::uint32_t, NOTIFYICONDATAA>>& notifyLog() {
    return log();
}

std::int32_t Shell_NotifyIconA(std::uint32_t message, NOTIFYICONDATAA* data) {
    if (!data) return 0;
    log().emplace_back(message, *data);
    if (data->cbSize < sizeof(NOTIFYICONDATAA)) return 0;
    ::NOTIFYICONDATAA d = systemRecord(*data);
    const BOOL ok = ::Shell_NotifyIconA(message, &d);
    const auto key = std::make_pair(d.hWnd, d.uID);
    if (message == NIM_DELETE) {
        icons().erase(key);
    } else if (message == NIM_ADD || icons().contains(key)) {
        ::NOTIFYICONDATAA& kept = icons()[key].data;
        if (message == NIM_ADD) kept = d;
        if (d.uFlags & NIF_MESSAGE) kept.uCallbackMessage = d.uCallbackMessage;
        if (d.uFlags & NIF_ICON) kept.hIcon = d.hIcon;
        if (d.uFlags & NIF_TIP) std::memcpy(kept.szTip, d.szTip, sizeof d.szTip);
        kept.uFlags |= d.uFlags;
    }
    return ok ? 1 : 0;
}

UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void readdTrayIcons(HWND owner) {
    for (auto& [key, icon] : icons())
        if (key.first == owner) {
            log().emplace_back(NIM_ADD, programRecord(icon.data));
            ::Shell_NotifyIconA(NIM_ADD, &icon.data);
        }
}

void forgetTrayIcons(HWND owner) {
    std::erase_if(icons(), [owner](const auto& e) { return e.first.first == owner; });
}

bool trayNeedsTaskbar(HWND owner) {
    const bool available = availableOverride >= 0
                               ? availableOverride == 1
                               : FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
    if (available) return false;
    for (const auto& [key, icon] : icons())
        if (key.first == owner) return true;
    return false;
}

void overrideTrayAvailable(int available) {
    availableOverride = available;
}

bool sendTrayMouse(Handle ownerHandle, LongPtr mouseMessage) {
    HWND owner = win::hwnd(ownerHandle);
    for (const auto& [key, icon] : icons())
        if (key.first == owner) {
            SendMessageW(owner, icon.data.uCallbackMessage, key.second, mouseMessage);
            return true;
        }
    return false;
}

std::optional<std::string> trayTipOf(Handle ownerHandle) {
    HWND owner = win::hwnd(ownerHandle);
    for (const auto& [key, icon] : icons())
        if (key.first == owner)
            return fromAnsi(std::string(icon.data.szTip, strnlen(icon.data.szTip, 64)));
    return std::nullopt;
}

}  // namespace platform
