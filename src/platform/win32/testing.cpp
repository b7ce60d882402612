#include "platform/testing.h"

#include <cstring>

#include "platform/backend.h"
#include "platform/system.h"
#include "platform/win32/impl.h"

namespace platform::testing {

void useTestDisplay() {}  // real windows on the display there is

void processEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (top && FormImpl::of(top) && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

namespace {

HWND hwndOf(const Control& c) {
    return c.impl().hwnd;
}

// A key as the keyboard gives it: through the window's dialog keys first.
void key(HWND target, UINT vk, int shift) {
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    if (shift & CtrlMask) state[VK_CONTROL] = 0x80;
    if (shift & ShiftMask) state[VK_SHIFT] = 0x80;
    SetKeyboardState(state);
    MSG m{target, WM_KEYDOWN, vk, 1, static_cast<DWORD>(GetMessageTime()), {}};
    HWND top = GetAncestor(target, GA_ROOT);
    if (!top || !IsDialogMessageW(top, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    processEvents();
    MSG up{
        target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001), static_cast<DWORD>(GetMessageTime()),
        {}};
    DispatchMessageW(&up);
    SetKeyboardState(saved);
    processEvents();
}

void setClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(data), text.c_str(), bytes);
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
}

void mouse(HWND h, int button, bool release) {
    RECT r{};
    GetClientRect(h, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    const UINT down = button == RightButton    ? WM_RBUTTONDOWN
                      : button == MiddleButton ? WM_MBUTTONDOWN
                                               : WM_LBUTTONDOWN;
    SendMessageW(h, down, 0, at);
    if (release) SendMessageW(h, down + 1, 0, at);
    processEvents();
}

}  // namespace

void typeText(Control& control, const std::string& text) {
    for (const wchar_t c : win::wide(text)) SendMessageW(hwndOf(control), WM_CHAR, c, 1);
    processEvents();
}

void pressKey(Control& control, int keyCode, int shift) {
    key(hwndOf(control), static_cast<UINT>(keyCode), shift);
}

void commitInputMethod(TextBox& box, const std::string& text) {
    for (const wchar_t c : win::wide(text)) SendMessageW(hwndOf(box), WM_IME_CHAR, c, 1);
    processEvents();
}

void paste(TextBox& box, const std::string& text) {
    setClipboard(win::wide(text));
    SendMessageW(hwndOf(box), WM_PASTE, 0, 0);
    processEvents();
}

bool canDropText() {
    return false;
}

// The shell draws the icon's menu as the program pops it up; there is no
// menu of the shell's own.
std::optional<std::vector<ShownMenuItem>> hostTrayMenu(const Form&) {
    return std::nullopt;
}
void chooseInHostTrayMenu(const Form&, const std::string&) {}

bool trayLossNoticed() {
    return false;
}
void drop(TextBox&, const std::string&) {}

void click(CommandButton& button) {
    HWND h = hwndOf(button);
    if (!IsWindowEnabled(h)) return;
    SetFocus(h);
    button.impl().focusIn();
    SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED),
                 reinterpret_cast<LPARAM>(h));
    processEvents();
}

// A right press only: its release would open a text box's own menu.
void mousePress(Control& control, int button) {
    mouse(hwndOf(control), button, button != RightButton);
}
void mousePress(Form& form, int button) {
    mouse(form.impl().hwnd, button, button != RightButton);
}

void chooseMenuItem(MenuItem& item) {
    if (item.enabled() && item.onClick) item.onClick();
    processEvents();
}

void closeByCloseBox(Form& form) {
    SendMessageW(form.impl().hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    processEvents();
}

bool hasFocus(const Control& control) {
    return control.hasFocus();
}
bool isTopMost(const Form& form) {
    return form.topMost();
}

std::optional<std::uint32_t> shellRestartMessage() {
    return taskbarCreatedMessage();
}

std::intptr_t sendMessage(const Form& form, std::uint32_t message, std::intptr_t wParam,
                          std::intptr_t lParam) {
    return SendMessageW(form.impl().hwnd, message, static_cast<WPARAM>(wParam), lParam);
}

void setRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                      const std::string& data) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, toAnsi(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(k, toAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
    RegCloseKey(k);
}

void clearRegistry() {
    for (const char* key : {"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                            "SOFTWARE\\Microsoft\\Shared Tools Location"})
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
}

}  // namespace platform::testing
