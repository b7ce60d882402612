// What a screen reader hears of the Windows program, asked from outside it
// as one does: the system's focus events (WinEvents, out of context), each
// read through MSAA; a window come to the front, by where its focus is then.
// One line a event on the standard output, in UTF-8, tab-separated:
//   focus  ROLE STATE NAME WINDOW   the object that took the focus, in WINDOW
// ROLE and STATE are MSAA's numbers. It ends by itself after the seconds
// given (60 if none). With "where" and a window's title it says where that
// window's focus is; with "objects", each of its controls as a reader finds
// it: "object NAME DESCRIPTION MSAA-PLACE PLACE".
// usage: wine focus_reader.exe [SECONDS]
//        wine focus_reader.exe where|objects TITLE
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    if (!text || !*text) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    // One event a line: line breaks in a name become spaces.
    for (char& c : out)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return out;
}

std::string windowText(HWND h) {
    wchar_t text[512] = {};
    GetWindowTextW(h, text, 512);
    return utf8(text);
}

// ROLE STATE NAME of a child of an accessible object.
std::string read(IAccessible* acc, VARIANT child) {
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    BSTR name = nullptr;
    acc->get_accRole(child, &role);
    acc->get_accState(child, &state);
    acc->get_accName(child, &name);
    std::string out = std::to_string(role.vt == VT_I4 ? role.lVal : -1) + "\t" +
                      std::to_string(state.vt == VT_I4 ? state.lVal : -1) + "\t" + utf8(name);
    SysFreeString(name);
    VariantClear(&role);
    VariantClear(&state);
    return out;
}

void emit(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD);

// A window come to the front: a reader says where its focus is, which may
// not move (the focus that a window hidden and shown again kept).
void onForeground(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus) return;
    onEvent(nullptr, EVENT_OBJECT_FOCUS, info.hwndFocus, OBJID_CLIENT, CHILDID_SELF, 0, 0);
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                      DWORD) {
    if (event == EVENT_SYSTEM_FOREGROUND) return onForeground(hwnd);
    std::string line = "focus";
    IAccessible* acc = nullptr;
    VARIANT id;
    VariantInit(&id);
    if (SUCCEEDED(AccessibleObjectFromEvent(hwnd, object, child, &acc, &id)) && acc) {
        line += "\t" + read(acc, id);
        acc->Release();
        VariantClear(&id);
    } else {
        line += "\t-1\t-1\t";
    }
    const HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    line += "\t" + windowText(root);
    emit(line);
}

// Each control of a window as a reader finds it: "object NAME DESCRIPTION",
// then where MSAA places it and where the window system has its client
// area, x y w h.
BOOL CALLBACK listObject(HWND h, LPARAM) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible), reinterpret_cast<void**>(&acc))) ||
        !acc)
        return TRUE;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, description = nullptr;
    long x = 0, y = 0, w = 0, hgt = 0;
    acc->get_accName(self, &name);
    acc->get_accDescription(self, &description);
    acc->accLocation(&x, &y, &w, &hgt, self);
    // The client area on the screen: the object's own (a box's scroll bar
    // is an object of its own).
    RECT r{};
    GetClientRect(h, &r);
    MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
    emit("object\t" + utf8(name) + "\t" + utf8(description) + "\t" + std::to_string(x) + " " +
         std::to_string(y) + " " + std::to_string(w) + " " + std::to_string(hgt) + "\t" +
         std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top));
    SysFreeString(name);
    SysFreeString(description);
    acc->Release();
    return TRUE;
}

}  // namespace

// The title comes in the system's wide command line, whatever the code page.
int askWindow(const std::string& verb) {
    int n = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &n);
    const HWND h = args && n > 2 ? FindWindowW(nullptr, args[2]) : nullptr;
    LocalFree(args);
    if (!h) return 1;
    if (verb == "where")
        onForeground(h);
    else
        EnumChildWindows(h, listObject, 0);
    return 0;
}

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
    CoInitialize(nullptr);
    if (argc > 2) return askWindow(argv[1]);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    HWINEVENTHOOK hooks[] = {
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, onEvent, 0, 0, flags),
        SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, onEvent, 0, 0,
                        flags),
    };
    for (HWINEVENTHOOK h : hooks)
        if (!h) {
            std::fputs("focus_reader: no WinEvent hook\n", stderr);
            return 1;
        }
    emit("ready");
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) break;
        DispatchMessageW(&msg);
    }
    for (HWINEVENTHOOK h : hooks) UnhookWinEvent(h);
    CoUninitialize();
    return 0;
}
