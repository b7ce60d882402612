#include "platform/msgbox.h"
#include "platform/test_seams.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

HHOOK hook = nullptr;

std::string itemText(HWND dlg, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dlg, id, text, 1024);
    return win::narrow(text);
}

// Reads a box the moment it is activated, and presses what the watcher says.
LRESULT CALLBACK watchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && boxWatcher()) {
        HWND dlg = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(dlg, cls, 16);
        if (wcscmp(cls, L"#32770") == 0) {
            // Answered from the box's own message loop, once it runs.
            struct Pending {
                std::string prompt;
                std::string title;
                std::vector<std::string> buttons;
                bool hasIcon = false;
                int ids[2] = {};
                int n = 0;
            };
            auto* p = new Pending;
            p->prompt = itemText(dlg, 0xFFFF);
            wchar_t title[256] = {};
            GetWindowTextW(dlg, title, 256);
            p->title = win::narrow(title);
            p->hasIcon = GetDlgItem(dlg, 0x14) != nullptr;
            for (int id : {IDOK, IDCANCEL})
                if (GetDlgItem(dlg, id)) {
                    p->buttons.push_back(itemText(dlg, id));
                    p->ids[p->n++] = id;
                }
            SetPropW(dlg, L"TockmerePending", p);
            SetTimer(dlg, 0x7E57, 0, [](HWND d, UINT, UINT_PTR id, DWORD) {
                KillTimer(d, id);
                auto* q = static_cast<Pending*>(RemovePropW(d, L"TockmerePending"));
                if (!q) return;
                const std::string press =
                    boxWatcher() ? boxWatcher()(q->prompt, q->title, q->buttons, q->hasIcon)
                                 : std::string();
                for (int i = 0; i < q->n; ++i)
                    if (q->buttons[static_cast<std::size_t>(i)] == press)
                        PostMessageW(d, WM_COMMAND, q->ids[i], 0);
                delete q;
            });
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, const std::string& title) {
    // A test watching: it reads the box as it is activated.
    if (boxWatcher() && !hook)
        hook = SetWindowsHookExW(WH_CBT, &watchBoxes, nullptr, GetCurrentThreadId());
    // Modal to the window it is about; the tray's messages still reach the
    // main window while it is open.
    HWND owner = GetActiveWindow();
    if (!owner) owner = mainWindow();
    const UINT type = (buttons == MsgButtons::OKCancel ? MB_OKCANCEL : MB_OK) | MB_SETFOREGROUND;
    const int answer =
        MessageBoxW(owner, win::wide(prompt).c_str(), win::wide(title).c_str(), type);
    return answer == IDOK ? MsgResult::OK : MsgResult::Cancel;
}

}  // namespace platform
