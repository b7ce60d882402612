// What a screen reader hears of the Windows program, asked from outside it
// as one does: the system's focus events (WinEvents, out of context), each
// read through MSAA; a window come to the front, by where its focus is then.
// One line a event on the standard output, in UTF-8, tab-separated:
//   focus  ROLE NAME WINDOW   the object that took the focus, in WINDOW
// ROLE is MSAA's number. It ends by itself after the seconds given (60 if
// none). With "where" and a window's title it says where that window's focus
// is; with "objects", each of its controls as a reader finds it:
// "object NAME DESCRIPTION MSAA-PLACE PLACE".
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

// One event a line: line breaks and tabs in a name become spaces.
std::string utf8(const wchar_t* text) {
    char out[1024] = {};
    if (text) WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 1023, nullptr, nullptr);
    std::string line(out);
    for (char& c : line)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return line;
}

std::string place(long x, long y, long w, long h) {
    return std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " +
           std::to_string(h);
}

void emit(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD);

// A window come to the front: a reader says where its focus is, which may
// not move (the focus that a window hidden and shown again kept).
void onForeground(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
        onEvent(nullptr, EVENT_OBJECT_FOCUS, info.hwndFocus, OBJID_CLIENT, CHILDID_SELF, 0, 0);
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                      DWORD) {
    if (event == EVENT_SYSTEM_FOREGROUND) return onForeground(hwnd);
    IAccessible* acc = nullptr;
    VARIANT id, role;
    VariantInit(&id);
    VariantInit(&role);
    BSTR name = nullptr;
    if (SUCCEEDED(AccessibleObjectFromEvent(hwnd, object, child, &acc, &id)) && acc) {
        acc->get_accRole(id, &role);
        acc->get_accName(id, &name);
        acc->Release();
    }
    wchar_t window[512] = {};
    if (hwnd) GetWindowTextW(GetAncestor(hwnd, GA_ROOT), window, 512);
    emit("focus\t" + std::to_string(role.vt == VT_I4 ? role.lVal : -1) + "\t" + utf8(name) + "\t" +
         utf8(window));
    SysFreeString(name);
    VariantClear(&role);
    VariantClear(&id);
}

// Each control of a window as a reader finds it, then where MSAA places it
// and where the window system has its client area (a box's scroll bar is an
// object of its own), x y w h.
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
    RECT r{};
    GetClientRect(h, &r);
    MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
    emit("object\t" + utf8(name) + "\t" + utf8(description) + "\t" + place(x, y, w, hgt) + "\t" +
         place(r.left, r.top, r.right - r.left, r.bottom - r.top));
    SysFreeString(name);
    SysFreeString(description);
    acc->Release();
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
    CoInitialize(nullptr);
    if (argc > 2) {
        // The title comes in the system's wide command line, whatever the code page.
        int n = 0;
        wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &n);
        const HWND h = args && n > 2 ? FindWindowW(nullptr, args[2]) : nullptr;
        if (!h) return 1;
        if (std::string(argv[1]) == "where")
            onForeground(h);
        else
            EnumChildWindows(h, listObject, 0);
        return 0;
    }
    for (const DWORD event : {DWORD{EVENT_OBJECT_FOCUS}, DWORD{EVENT_SYSTEM_FOREGROUND}})
        if (!SetWinEventHook(event, event, nullptr, onEvent, 0, 0,
                             WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS)) {
            std::fputs("focus_reader: no WinEvent hook\n", stderr);
            return 1;
        }
    emit("ready");
    // The hooks are called from this thread's message loop, until the time is up.
    SetTimer(nullptr, 0, static_cast<UINT>(argc > 1 ? std::atoi(argv[1]) : 60) * 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER) DispatchMessageW(&msg);
    return 0;
}
