#include <vector>

#include "platform/hooks.h"
#include "platform/msgbox.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

HHOOK hook = nullptr;

std::string itemText(HWND dlg, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dlg, id, text, 1024);
    return win::narrow(text);
}

// Wine can leave a box beneath its owner when the owner stays on top: the
// box, and the boxes it is modal to, go above it the moment it is activated.
void raiseOverOwners(HWND dlg) {
    SetTimer(dlg, 0x7E56, 0, [](HWND d, UINT, UINT_PTR id, DWORD) {
        KillTimer(d, id);
        // The boxes it is modal to come along, each above the one before.
        std::vector<HWND> boxes;
        for (HWND h = d; h && !FormImpl::of(h); h = GetWindow(h, GW_OWNER)) boxes.push_back(h);
        for (auto h = boxes.rbegin(); h != boxes.rend(); ++h)
            SetWindowPos(*h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    });
}

// With boxWatcher set: the box is read once, however often it is activated,
// and the button the watcher names is pressed.
void answerFromWatcher(HWND dlg) {
    if (GetPropW(dlg, L"TockmereRead")) return;
    SetPropW(dlg, L"TockmereRead", reinterpret_cast<HANDLE>(1));
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
        const std::string press = boxWatcher()
                                      ? boxWatcher()(q->prompt, q->title, q->buttons, q->hasIcon)
                                      : std::string();
        for (int i = 0; i < q->n; ++i)
            if (q->buttons[static_cast<std::size_t>(i)] == press)
                PostMessageW(d, WM_COMMAND, q->ids[i], 0);
        delete q;
    });
}

LRESULT CALLBACK watchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    HWND dlg = reinterpret_cast<HWND>(wParam);
    wchar_t cls[16] = {};
    if (code == HCBT_ACTIVATE) GetClassNameW(dlg, cls, 16);
    if (code == HCBT_ACTIVATE && wcscmp(cls, L"#32770") == 0) {
        raiseOverOwners(dlg);
        if (boxWatcher()) answerFromWatcher(dlg);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, const std::string& title) {
    if (!hook) hook = SetWindowsHookExW(WH_CBT, &watchBoxes, nullptr, GetCurrentThreadId());
    // Modal to the window it is about; the tray's messages still reach the
    // main window while it is open.
    // A box opened while another is up (a reminder told behind the count
    // box) belongs to that box: owned by the window beneath, it would give
    // that window back its input when it closes, while the first still
    // waits there.
    HWND owner = GetActiveWindow();
    if (!owner || !IsWindowVisible(owner)) owner = mainWindow();
    if (owner) owner = frontFor(owner);
    // Above the main window, which stays on top of other windows.
    const UINT type =
        (buttons == MsgButtons::OKCancel ? MB_OKCANCEL : MB_OK) | MB_SETFOREGROUND | MB_TOPMOST;
    const int answer =
        MessageBoxW(owner, win::wide(prompt).c_str(), win::wide(title).c_str(), type);
    return answer == IDOK ? MsgResult::OK : MsgResult::Cancel;
}

}  // namespace platform
