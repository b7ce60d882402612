#include "platform/application.h"
#include "platform/win32/impl.h"

#include <objbase.h>

namespace platform {

void formGone(FormImpl& form) {
    if (lastFormGone(form)) PostQuitMessage(0);
}

void unloadEveryForm() {
    for (FormImpl *f = mainForm(), *last = nullptr; f && f != last; last = f, f = mainForm())
        if (f->form) f->form->unload();
}

HWND mainWindow() {
    FormImpl* form = mainForm();
    return form ? form->hwnd : nullptr;
}

namespace {
// The shown window that `owner` owns (a box, or the About box), if any.
HWND shownOwnedBy(HWND owner) {
    struct Search {
        HWND owner;
        HWND owned = nullptr;
    } search{owner};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (h == s->owner || GetWindow(h, GW_OWNER) != s->owner || !IsWindowVisible(h))
                return TRUE;
            s->owned = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.owned;
}
}  // namespace

HWND frontFor(HWND window) {
    if (IsWindowEnabled(window)) return window;
    HWND owned = shownOwnedBy(window);
    return owned ? frontFor(owned) : window;
}

struct ApplicationImpl {};

Application::Application(int&, char**) : d_(std::make_unique<ApplicationImpl>()) {}
Application::~Application() {
    endAccessibility();
}

int Application::run() {
    if (!mainForm()) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab, Enter and Esc move between and press the controls of a window.
        HWND top = GetAncestor(msg.hwnd, GA_ROOT);
        if (top && FormImpl::of(top) && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace platform
