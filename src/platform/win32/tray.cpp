// The notification area: Shell_NotifyIconA hands the record over in the
// system's layout of its first form (see declared.h), and keeps each icon
// to add again when the shell starts anew.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/hooks.h"
#include "platform/system.h"
#include "platform/win32/impl.h"

#include <shellapi.h>

namespace platform {

namespace {

struct Icon {
    ::NOTIFYICONDATAA data{};  // as last added or changed, as shown, to add again
    HICON given = nullptr;     // the picture the program handed over
    HICON fitted = nullptr;    // made from it at the area's size; none when it is that size
    int size = 0;              // the size it was fitted to
};
std::map<std::pair<HWND, UINT>, Icon>& icons() {
    static std::map<std::pair<HWND, UINT>, Icon> all;
    return all;
}
int availableOverride = -1;
int areaDpiOverride = 0;

// Functions of newer systems, looked up so that the program still starts
// on older ones.
template <typename Function>
Function newerUser32(const char* name) {
    Function f = nullptr;
    win::takeFunction(f, GetModuleHandleW(L"user32.dll"), name);
    return f;
}

// The scale of the notification area: that of the monitor whose task bar
// holds it, wherever the program's windows are.
int areaDpi() {
    if (areaDpiOverride > 0) return areaDpiOverride;
    static const auto forWindow = newerUser32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (HWND area = FindWindowW(L"Shell_TrayWnd", nullptr); area && forWindow)
        if (const UINT dpi = forWindow(area)) return static_cast<int>(dpi);
    return win::screenDpi();
}

// The size the area draws small icons at, in pixels.
int areaIconSize() {
    const int dpi = areaDpi();
    static const auto forDpi = newerUser32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (forDpi && areaDpiOverride == 0)
        if (const int size = forDpi(SM_CXSMICON, static_cast<UINT>(dpi)); size > 0) return size;
    return MulDiv(16, dpi, 96);
}

// The picture to hand the shell for `given`: itself when it is the size
// the area draws, else one made at that size, kept until the size or the
// picture changes.
HICON fit(Icon& icon, HICON given) {
    const int size = areaIconSize();
    if (given != icon.given || size != icon.size) {
        if (icon.fitted) DestroyIcon(icon.fitted);
        icon.fitted = nullptr;
        icon.given = given;
        icon.size = size;
        if (given && win::iconPixels(given).width != size)
            icon.fitted = win::resizedIcon(given, size);
    }
    return icon.fitted ? icon.fitted : given;
}

void release(Icon& icon) {
    if (icon.fitted) DestroyIcon(icon.fitted);
    icon.fitted = nullptr;
}

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

// The same record in the program's 88-byte form, for the watcher.
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

std::int32_t Shell_NotifyIconA(std::uint32_t message, NOTIFYICONDATAA* data) {
    if (!data) return 0;
    if (notifyWatcher()) notifyWatcher()(message, *data);
    if (data->cbSize < sizeof(NOTIFYICONDATAA)) return 0;
    ::NOTIFYICONDATAA d = systemRecord(*data);
    const auto key = std::make_pair(d.hWnd, d.uID);
    const auto found = icons().find(key);
    Icon* icon = found == icons().end() ? nullptr : &found->second;
    if (message == NIM_ADD) {
        if (icon) release(*icon);
        icon = &(icons()[key] = Icon{});
    }
    if (icon && message != NIM_DELETE && (d.uFlags & NIF_ICON)) d.hIcon = fit(*icon, d.hIcon);
    const BOOL ok = ::Shell_NotifyIconA(message, &d);
    if (message == NIM_DELETE) {
        if (icon) release(*icon);
        icons().erase(key);
    } else if (icon) {
        ::NOTIFYICONDATAA& kept = icon->data;
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
            if (notifyWatcher()) {
                NOTIFYICONDATAA given = programRecord(icon.data);
                given.hIcon = static_cast<std::int32_t>(reinterpret_cast<LongPtr>(icon.given));
                notifyWatcher()(NIM_ADD, given);
            }
            if (icon.data.uFlags & NIF_ICON) icon.data.hIcon = fit(icon, icon.given);
            ::Shell_NotifyIconA(NIM_ADD, &icon.data);
        }
}

void fitTrayIcons(HWND owner) {
    for (auto& [key, icon] : icons()) {
        if (key.first != owner || !(icon.data.uFlags & NIF_ICON)) continue;
        // Sizes are compared, not handles: a new icon may take the number
        // of the one just destroyed.
        const int was = icon.size;
        const HICON shown = fit(icon, icon.given);
        if (icon.size == was) continue;
        icon.data.hIcon = shown;
        ::NOTIFYICONDATAA change = icon.data;
        change.uFlags = NIF_ICON;
        ::Shell_NotifyIconA(NIM_MODIFY, &change);
    }
}

void forgetTrayIcons(HWND owner) {
    for (auto& [key, icon] : icons())
        if (key.first == owner) release(icon);
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

void overrideTrayDpi(int dpi) {
    areaDpiOverride = dpi;
}

std::optional<win::IconPixels> trayIconShown(HWND owner) {
    for (const auto& [key, icon] : icons())
        if (key.first == owner && (icon.data.uFlags & NIF_ICON))
            return win::iconPixels(icon.data.hIcon);
    return std::nullopt;
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
