// UTF-8 and UTF-16, and counting characters as a person sees them.
#include "platform/win32/impl.h"

namespace platform::win {

std::wstring textOf(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(h, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& utf16) {
    if (utf16.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

int characterCount(const std::wstring& s) {
    int n = 0;
    for (const wchar_t c : s)
        if (c < 0xDC00 || c > 0xDFFF) ++n;
    return n;
}

std::size_t unitIndex(const std::wstring& s, int characters) {
    std::size_t i = 0;
    for (int n = 0; n < characters && i < s.size(); ++n) {
        const bool pair = s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() &&
                          s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
        i += pair ? 2 : 1;
    }
    return i;
}

std::wstring fitting(const std::wstring& text, int room) {
    if (room <= 0) return {};
    if (characterCount(text) <= room) return text;
    // CharNextW steps over a base character with its combining marks.
    const wchar_t* start = text.c_str();
    const wchar_t* cut = start;
    for (const wchar_t* p = start; *p;) {
        const wchar_t* next = CharNextW(p);
        if (next == p) break;
        if (characterCount(std::wstring(start, next)) > room) break;
        cut = p = next;
    }
    return std::wstring(start, cut);
}

}  // namespace platform::win
