// Fonts by face name, with a face that draws Latin at half width in place
// of one that does not.
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <map>

#include "platform/fonts.h"

#include "platform/win32/impl.h"

namespace platform::win {

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

HFONT makeFont(const Font& font, int dpi) {
    const int height = -static_cast<int>(std::lround(font.points * dpi / 72.0));
    return CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, faceFor(font.name).c_str());
}

}  // namespace platform::win
