#include "platform/application.h"
#include "platform/win32/impl.h"

#include <objbase.h>

namespace platform {

void formGone(FormImpl& form) {
    if (lastFormGone(form)) PostQuitMessage(0);
}

HWND mainWindow() {
    FormImpl* form = mainForm();
    return form ? form->hwnd : nullptr;
}

struct ApplicationImpl {
    bool com = false;
};

Application::Application(int&, char**) : d_(std::make_unique<ApplicationImpl>()) {
    // Screen readers ask the windows for their accessible objects over COM.
    d_->com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}
Application::~Application() {
    if (d_->com) CoUninitialize();
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
