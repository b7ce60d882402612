#include <direct.h>

#include <chrono>

#include "platform/hooks.h"
#include "platform/system.h"
#include "platform/win32/impl.h"

namespace platform {

LocalTime now() {
    if (clockOverride()) return clockOverride()();
    SYSTEMTIME st;
    GetLocalTime(&st);
    using namespace std::chrono;
    const local_days date{year{st.wYear} / month{st.wMonth} / day{st.wDay}};
    return LocalTime{date} + hours{st.wHour} + minutes{st.wMinute} + seconds{st.wSecond} +
           milliseconds{st.wMilliseconds};
}

std::string programFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L"\\/") == std::wstring::npos ? 0
                                                                    : folder.find_last_of(L"\\/"));
    return win::narrow(folder);
}

bool setCurrentDirectory(const std::string& folder) {
    return SetCurrentDirectoryW(win::wide(folder).c_str()) != FALSE;
}

bool setCurrentDrive(const std::string& folder) {
    // A folder reached by a network path has no drive letter: nothing to do.
    if (folder.size() < 2 || folder[1] != ':') return false;
    const char letter = static_cast<char>(folder[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && _chdrive(letter - 'a' + 1) == 0;
}

bool fileExists(const std::string& path) {
    const DWORD a = GetFileAttributesW(win::wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool launchProgram(const std::string& path) {
    // Its own process in a normal window that takes the focus; no shell.
    std::wstring commandLine = L"\"" + win::wide(path) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(win::wide(path).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

void soundReminder() {
    // The system's message box plays the user's default sound.
    if (soundWatcher()) soundWatcher()();
}

}  // namespace platform
