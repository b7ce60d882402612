// The least a Win32 program does that has Tockmere's shape: one window with a
// label, an edit box and a button, an icon in the notification area and a
// 500 ms timer. Built with the same compiler, flags and manifest as
// tockmere.exe: the yardstick of scripts/bench-windows.sh. Its button hides
// the window, as "确定" hides Tockmere's once a reminder is armed.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Needs windows.h first.
#include <shellapi.h>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
HWND label = nullptr;

void showTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t text[16];
    wsprintfW(text, L"%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
    SetWindowTextW(label, text);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            // What a clock does: the time, shown while there is a window to show it in.
            if (IsWindowVisible(hwnd)) showTime();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) ShowWindow(hwnd, SW_HIDE);
            return 0;
        case kTrayMessage:
            if (LOWORD(lParam) == WM_LBUTTONUP) {
                showTime();
                ShowWindow(hwnd, SW_SHOW);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareWindow";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Bare Win32 window",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 260, 160, nullptr, nullptr, instance, nullptr);
    label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, window,
                            nullptr, instance, nullptr);
    CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 40, 200,
                    24, window, nullptr, instance, nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 75,
                                  80, 26, window, nullptr, instance, nullptr);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = kTrayMessage;
    icon.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // the application icon
    lstrcpynW(icon.szTip, L"Bare Win32 window", 64);
    Shell_NotifyIconW(NIM_ADD, &icon);
    SetTimer(window, 1, 500, nullptr);
    showTime();
    ShowWindow(window, show);
    SetFocus(button);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Shell_NotifyIconW(NIM_DELETE, &icon);
    return static_cast<int>(msg.wParam);
}
