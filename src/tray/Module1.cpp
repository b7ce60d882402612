#include "tray/Module1.h"

#include <cstring>

#include "platform/system.h"

using namespace platform;

namespace Module1 {
LongPtr oldWndProc = 0;
TrayOwner* trayForm = nullptr;
Menu* trayMenu = nullptr;
TrayRecord trayData;
}  // namespace Module1

using namespace Module1;

namespace {

bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// The first `count` characters of a UTF-8 text, and how many it took.
std::string firstCharacters(const std::string& text, int count, int& taken) {
    std::size_t end = 0;
    taken = 0;
    while (end < text.size() && taken < count) {
        ++end;
        while (end < text.size() && !startsCharacter(text[end])) ++end;
        ++taken;
    }
    return text.substr(0, end);
}

// The longest start of `ansi` that fits `room` bytes without splitting a
// double-byte character.
std::size_t fitAnsi(const std::string& ansi, std::size_t room) {
    std::size_t end = 0;
    while (end < ansi.size()) {
        const std::size_t width = static_cast<unsigned char>(ansi[end]) >= 0x81 ? 2 : 1;
        if (end + width > room) break;
        end += width;
    }
    return end;
}

// Hands the record to the shell in its 88-byte form, the tip in the ANSI
// code page. The shell only reads it, so nothing comes back.
void notify(std::uint32_t message) {
    NOTIFYICONDATAA data{};
    data.cbSize = trayData.cbSize;
    // Handles keep their value in the record's 32-bit fields.
    data.hWnd = static_cast<std::int32_t>(trayData.hWnd);
    data.uID = trayData.uID;
    data.uFlags = trayData.uFlags;
    data.uCallbackMessage = trayData.uCallbackMessage;
    data.hIcon = static_cast<std::int32_t>(trayData.hIcon);
    const std::string tip = toAnsi(trayData.szTip);
    std::memcpy(data.szTip, tip.data(), fitAnsi(tip, sizeof data.szTip));
    Shell_NotifyIconA(message, &data);
}

}  // namespace

void addTrayIcon(TrayOwner& form, Menu& menu) {
    trayForm = &form;
    trayMenu = &menu;
    const Handle window = form.trayWindow().hWnd();
    oldWndProc = SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LongPtr>(&trayWndProc));
    trayData = TrayRecord{};  // a new icon has no tip until it is given one
    trayData.uID = 0;
    trayData.cbSize = sizeof(NOTIFYICONDATAA);
    trayData.hWnd = window;
    trayData.hIcon = form.trayWindow().iconHandle();
    trayData.uCallbackMessage = kTrayCallback;
    trayData.uFlags = NIF_MESSAGE | NIF_ICON;
    notify(NIM_ADD);
}

void setTrayTip(const std::string& text) {
    int characters = 0;
    std::string tip = firstCharacters(text, kTipLength, characters);
    if (characters < kTipLength) tip.push_back('\0'), ++characters;
    tip.append(static_cast<std::size_t>(kTipLength - characters), ' ');
    trayData.szTip = tip;
    trayData.uFlags = NIF_TIP;
    notify(NIM_MODIFY);
}

void removeTrayIcon() {
    trayData.uFlags = 0;
    notify(NIM_DELETE);
    if (trayForm) SetWindowLongA(trayForm->trayWindow().hWnd(), GWL_WNDPROC, oldWndProc);
}

LongPtr trayWndProc(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr lParam) {
    if (uMsg == kTrayCallback && lParam == WM_LBUTTONUP) {
        if (trayForm && !trayForm->noneArmed()) trayForm->showNotice();
        return 0;
    }
    if (uMsg == kTrayCallback && lParam == WM_RBUTTONUP) {
        if (trayMenu) trayMenu->popup();
        return 0;
    }
    return CallWindowProcA(oldWndProc, hWnd, uMsg, wParam, lParam);
}
