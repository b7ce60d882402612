#include "support/testing.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/hooks.h"
#include "platform/system.h"
#include "platform/win32/impl.h"

#include <oleacc.h>

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

// A menu a key opened that is not the program's (a text box's edit menu)
// would wait for a person: it is closed again.
void CALLBACK closeMenu(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
}

// A key as the keyboard gives it: through the window's dialog keys first.
// F10 and keys with Alt come as system keys, as the system sends them.
void key(HWND target, UINT vk, int shift) {
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    std::memcpy(state, saved, sizeof state);
    if (shift & CtrlMask) state[VK_CONTROL] = 0x80;
    if (shift & ShiftMask) state[VK_SHIFT] = 0x80;
    if (shift & AltMask) state[VK_MENU] = 0x80;
    SetKeyboardState(state);
    const bool system = vk == VK_F10 || (shift & AltMask);
    const UINT_PTR menuTimer =
        vk == VK_F10 || vk == VK_APPS ? SetTimer(nullptr, 0, 300, closeMenu) : 0;
    MSG m{target,
          system ? UINT{WM_SYSKEYDOWN} : UINT{WM_KEYDOWN},
          vk,
          (shift & AltMask) ? LPARAM{0x20000001} : LPARAM{1},
          static_cast<DWORD>(GetMessageTime()),
          {}};
    HWND top = GetAncestor(target, GA_ROOT);
    if (!top || !IsDialogMessageW(top, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    processEvents();
    MSG up{target,
           system ? UINT{WM_SYSKEYUP} : UINT{WM_KEYUP},
           vk,
           static_cast<LPARAM>(0xC0000001),
           static_cast<DWORD>(GetMessageTime()),
           {}};
    DispatchMessageW(&up);
    SetKeyboardState(saved);
    processEvents();
    if (menuTimer) KillTimer(nullptr, menuTimer);
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

std::string labelShows(const Label& label) {
    return win::narrow(win::textOf(label.impl().hwnd));
}

bool moveToMonitorOfDpi(Form& form, int dpi) {
    HWND h = form.impl().hwnd;
    const int old = form.impl().dpi;
    RECT r{};
    GetWindowRect(h, &r);
    const auto scaled = [&](LONG length) { return static_cast<LONG>(MulDiv(length, dpi, old)); };
    RECT suggested{r.left, r.top, r.left + scaled(r.right - r.left),
                   r.top + scaled(r.bottom - r.top)};
    SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    processEvents();
    return true;
}

bool trayLossNoticed() {
    return false;
}

bool setTrayDpi(int dpi) {
    overrideTrayDpi(dpi);
    return true;
}

std::optional<TrayPicture> trayPicture(const Form& owner) {
    std::optional<win::IconPixels> shown = trayIconShown(win::hwnd(owner.hWnd()));
    if (!shown) return std::nullopt;
    return TrayPicture{shown->width, shown->height, std::move(shown->argb)};
}
std::optional<TrayPicture> trayPictureAt(const Form& owner, int size) {
    // The area at the scale that draws it at `size`, its change told as
    // the system tells it; then the system's scale again.
    HWND h = win::hwnd(owner.hWnd());
    overrideTrayDpi(MulDiv(size, 96, 16));
    SendMessageW(h, WM_DISPLAYCHANGE, 32, 0);
    std::optional<TrayPicture> picture = trayPicture(owner);
    overrideTrayDpi(0);
    SendMessageW(h, WM_DISPLAYCHANGE, 32, 0);
    return picture;
}

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

namespace {

// What a screen reader asks: the window's client object through MSAA.
enum class Asked { Name, Description };
std::string accessibleText(HWND h, Asked asked) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible), reinterpret_cast<void**>(&acc))) ||
        !acc)
        return "(no accessible object)";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const HRESULT r =
        asked == Asked::Name ? acc->get_accName(self, &text) : acc->get_accDescription(self, &text);
    acc->Release();
    std::string out = r == S_OK && text ? win::narrow(text) : std::string();
    SysFreeString(text);
    return out;
}

}  // namespace

std::string accessibleName(const Control& control) {
    return accessibleText(control.impl().hwnd, Asked::Name);
}
std::string accessibleDescription(const Control& control) {
    return accessibleText(control.impl().hwnd, Asked::Description);
}
std::string accessibleDescription(const Form& form) {
    return accessibleText(form.impl().hwnd, Asked::Description);
}

namespace {
HWINEVENTHOOK changesHook = nullptr;
std::vector<std::string> changesHeard;
void CALLBACK hearChange(HWINEVENTHOOK, DWORD event, HWND h, LONG object, LONG, DWORD, DWORD) {
    if (object != static_cast<LONG>(OBJID_CLIENT)) return;
    changesHeard.push_back(
        accessibleText(h, event == EVENT_OBJECT_NAMECHANGE ? Asked::Name : Asked::Description));
}
}  // namespace

bool listenToNameChanges() {
    // As a reader listens, out of context: the events come through the
    // message loop.
    if (!changesHook)
        changesHook =
            SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_DESCRIPTIONCHANGE, nullptr,
                            hearChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    changesHeard.clear();
    return changesHook != nullptr;
}
std::vector<std::string> nameChangesHeard() {
    processEvents();
    if (changesHook) UnhookWinEvent(changesHook);
    changesHook = nullptr;
    return std::exchange(changesHeard, {});
}

void bringAnotherWindowForward() {
    HWND other =
        CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                        200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    processEvents();
    DestroyWindow(other);
    processEvents();
}

// The task bar asks the window itself, as the restore command does.
void restoreFromTaskbar(Form& form) {
    SendMessageW(form.impl().hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    processEvents();
}

namespace {
bool isBox(HWND h) {
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid == GetCurrentProcessId() && wcscmp(cls, L"#32770") == 0 && IsWindowVisible(h);
}
}  // namespace

void typeWhereTheFocusIs(const std::string& text) {
    for (const wchar_t c : win::wide(text)) {
        HWND target = GetFocus();
        if (!target) target = GetActiveWindow();
        if (!target) return;
        // As the keyboard's messages come: through the dialog's own keys.
        MSG m{target, WM_CHAR, c, 1, static_cast<DWORD>(GetMessageTime()), {}};
        HWND top = GetAncestor(target, GA_ROOT);
        if (!top || !IsDialogMessageW(top, &m)) DispatchMessageW(&m);
        processEvents();
    }
}

bool aBoxIsActive() {
    HWND active = GetActiveWindow();
    return active && isBox(active);
}

std::optional<BoxTitleFit> activeBoxTitleFit() {
    HWND box = GetActiveWindow();
    if (!box || !isBox(box)) return std::nullopt;
    RECT r{};
    GetWindowRect(box, &r);
    // The title in the caption font, beside the small icon and the close
    // button.
    wchar_t title[256] = {};
    GetWindowTextW(box, title, 256);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    HDC dc = GetDC(box);
    HGDIOBJ before = SelectObject(dc, font);
    SIZE text{};
    GetTextExtentPoint32W(dc, title, static_cast<int>(wcslen(title)), &text);
    SelectObject(dc, before);
    ReleaseDC(box, dc);
    DeleteObject(font);
    return BoxTitleFit{r.right - r.left,
                       text.cx + GetSystemMetrics(SM_CXSMICON) + GetSystemMetrics(SM_CXSIZE)};
}

std::optional<bool> boxesAbove(const Form& form) {
    // Top-level windows from the top of the stack down: every box before
    // the form.
    bool formSeen = false;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == form.impl().hwnd) formSeen = true;
        if (isBox(h) && formSeen) return false;
    }
    return true;
}

std::optional<std::uint32_t> shellRestartMessage() {
    return taskbarCreatedMessage();
}

void setRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                      const std::string& data) {
    HKEY k = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, toAnsi(key).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExA(k, toAnsi(name).c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
        RegCloseKey(k);
    }
    // A test that goes on without its value would fail far from the cause.
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot write " + key + "\\" + name + ": " +
                                 std::to_string(result));
}

void clearRegistry() {
    for (const char* key : {"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                            "SOFTWARE\\Microsoft\\Shared Tools Location"})
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
}

}  // namespace platform::testing

namespace platform::testing {

namespace {

int lineHeight(HWND h) {
    return win::textSize(h, L"时", DT_SINGLELINE, 0).cy;
}
}  // namespace

TextFit textFit(const Control& control) {
    HWND h = control.impl().hwnd;
    RECT client{};
    GetClientRect(h, &client);
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    // A hidden window's label shows its caption once the window shows.
    const ControlImpl& impl = control.impl();
    const std::wstring text = impl.pendingCaption ? *impl.pendingCaption : win::textOf(h);
    TextFit fit;
    fit.roomWidth = client.right;
    fit.roomHeight = client.bottom;
    SIZE size{};
    if (_wcsicmp(cls, L"BUTTON") == 0) {
        // Inside the raised edge and the focus rectangle; '&' marks the
        // access key and takes no room.
        fit.roomWidth -= 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
        fit.roomHeight -= 2 * GetSystemMetrics(SM_CYEDGE);
        size = win::textSize(h, text, DT_SINGLELINE, 0);
    } else if (_wcsicmp(cls, L"EDIT") == 0) {
        const DWORD margins = static_cast<DWORD>(SendMessageW(h, EM_GETMARGINS, 0, 0));
        fit.roomWidth -= LOWORD(margins) + HIWORD(margins);
        size = win::textSize(h, text, DT_SINGLELINE | DT_NOPREFIX, 0);
    } else {
        size = win::textSize(h, text, win::kLabelDrawing, fit.roomWidth);
    }
    fit.width = size.cx;
    fit.height = size.cy;
    fit.lines = text.empty() ? 0 : (size.cy + lineHeight(h) / 2) / lineHeight(h);
    return fit;
}

int textWidth(const Control& control, const std::string& prefix) {
    return win::textSize(control.impl().hwnd, win::wide(prefix), DT_SINGLELINE | DT_NOPREFIX, 0).cx;
}

PixelRect pixelRect(const Control& control) {
    HWND h = control.impl().hwnd;
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool isForeground(const Form& form) {
    return GetForegroundWindow() == form.impl().hwnd;
}
bool holdsKeyboardFocus(const Control& control) {
    return GetFocus() == control.impl().hwnd;
}

Pixels capture(const Form& form) {
    HWND h = form.impl().hwnd;
    RECT r{};
    GetClientRect(h, &r);
    Pixels p;
    p.width = r.right;
    p.height = r.bottom;
    // What is on the screen: the controls as they painted themselves.
    HDC screen = GetDC(h);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, p.width, p.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, p.width, p.height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    p.rgb.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(p.height), p.rgb.data(), &info, DIB_RGB_COLORS);
    for (std::uint32_t& v : p.rgb) v &= 0xFFFFFF;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(h, screen);
    return p;
}

}  // namespace platform::testing
