// One program per user session. The first program holds a named mutex in the
// session's namespace and keeps a hidden message window named after it; a
// later start finds the mutex taken, posts the window the program's
// registered message and ends. The system drops the mutex of a program that
// ends in any way, so a killed program leaves nothing behind.
#include "platform/instance.h"

#include <string>

#include "platform/hooks.h"
#include "platform/win32/impl.h"

#include <sddl.h>

namespace platform {

namespace {

constexpr wchar_t kWindowClass[] = L"TockmereInstance";
constexpr wchar_t kProgram[] = L"Tockmere";

// The user's security identifier as text; the user's name where that fails.
std::wstring user() {
    std::wstring who;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::string buffer(size, '\0');
        wchar_t* sid = nullptr;
        if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
            ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            who = sid;
            LocalFree(sid);
        }
        CloseHandle(token);
    }
    if (who.empty()) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (GetUserNameW(name, &length)) who = name;
    }
    return who;
}

std::wstring placeName() {
    if (!instanceKeyOverride().empty()) return win::wide(instanceKeyOverride());
    return std::wstring(kProgram) + L"-" + user();
}

UINT startAgainMessage() {
    static const UINT message = RegisterWindowMessageW(L"Tockmere.StartAgain");
    return message;
}

LRESULT CALLBACK instanceProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == startAgainMessage() && startAgainMessage() != 0) {
        auto* instance = reinterpret_cast<Instance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (instance && instance->onStartAgain) instance->onStartAgain();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void registerClass() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = instanceProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
}

// Asks the program holding the place to come forward. Its window may not be
// there yet when it has only just started: look again for a while.
void askFirst(const std::wstring& name) {
    for (int tries = 0; tries < 50; ++tries) {
        if (HWND first = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, name.c_str())) {
            // The running program may then bring its window to the front.
            DWORD process = 0;
            GetWindowThreadProcessId(first, &process);
            AllowSetForegroundWindow(process);
            PostMessageW(first, startAgainMessage(), 0, 0);
            return;
        }
        ++firstUnreached();
        Sleep(100);
    }
}

}  // namespace

struct InstanceImpl {
    HANDLE mutex = nullptr;
    HWND window = nullptr;
    bool first = true;
};

Instance::Instance() : d_(std::make_unique<InstanceImpl>()) {
    const std::wstring name = placeName();
    // Local\: this session's namespace; the user's identifier in the name
    // keeps another user's program (run as that user) apart.
    d_->mutex = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
    if (d_->mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        d_->first = false;
        askFirst(name);
        return;
    }
    registerClass();
    d_->window = CreateWindowExW(0, kWindowClass, name.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(d_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Instance::~Instance() {
    if (d_->window) DestroyWindow(d_->window);
    if (d_->mutex) CloseHandle(d_->mutex);
}

bool Instance::first() const {
    return d_->first;
}

}  // namespace platform
