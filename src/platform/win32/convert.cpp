#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <map>

#include "platform/fonts.h"
#include "platform/test_seams.h"

#include "platform/win32/impl.h"

namespace platform::win {

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

namespace {
int dpi(int axis) {
    if (dpiOverride() > 0) return dpiOverride();
    HDC dc = GetDC(nullptr);
    const int d = GetDeviceCaps(dc, axis);
    ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
}
}  // namespace

int toPixelsX(Twips t) {
    return static_cast<int>(std::lround(t * dpi(LOGPIXELSX) / 1440.0));
}
int toPixelsY(Twips t) {
    return static_cast<int>(std::lround(t * dpi(LOGPIXELSY) / 1440.0));
}
Twips toTwipsX(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpi(LOGPIXELSX)));
}
Twips toTwipsY(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpi(LOGPIXELSY)));
}

namespace {
// Whether the face draws a Latin letter and a space half as wide as a
// Chinese character. A face that is only named (a substitute standing in
// for a missing one) is judged by what it really draws.
bool halfWidthLatin(const std::wstring& face) {
    HFONT font = CreateFontW(-48, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    const auto width = [dc](const wchar_t* text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
        return size.cx;
    };
    const LONG chinese = width(L"时"), space = width(L"  "), letters = width(L"aW");
    wchar_t drawn[LF_FACESIZE] = {};
    const bool found = GetTextFaceW(dc, LF_FACESIZE, drawn) > 0;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return found && chinese > 0 && std::abs(space - chinese) <= 1 &&
           std::abs(letters - chinese) <= 1;
}
}  // namespace

int dotsPerInch() {
    return dpi(LOGPIXELSY);
}

std::wstring faceFor(const std::string& name) {
    static std::map<std::string, std::wstring> chosen;
    if (const auto it = chosen.find(name); it != chosen.end()) return it->second;
    std::wstring face = wide(name);
    if (!halfWidthLatin(face))
        for (const char* other : kFallbackFaces)
            if (halfWidthLatin(wide(other))) {
                face = wide(other);
                break;
            }
    return chosen[name] = face;
}

HFONT makeFont(const Font& font) {
    const int height = -static_cast<int>(std::lround(font.points * dpi(LOGPIXELSY) / 72.0));
    return CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, faceFor(font.name).c_str());
}

HICON makeIcon(const assets::IndexedPicture& picture) {
    const int w = picture.width, h = picture.height;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = w;
    header.bV5Height = -h;  // top-down
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC dc = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, dc);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char c = picture.rows[y][x];
            const int index = c >= 'a' ? c - 'a' + 10 : c - '0';
            pixels[y * w + x] = picture.palette[static_cast<std::size_t>(index & 15)];
        }
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

SIZE textSize(HWND control, const std::wstring& text, UINT flags, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right - r.left, r.bottom - r.top};
}

int shiftState() {
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) shift |= CtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= AltMask;
    return shift;
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
