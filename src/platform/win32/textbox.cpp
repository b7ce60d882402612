#include "platform/win32/impl.h"

namespace platform {

namespace {

std::pair<DWORD, DWORD> selection(HWND h) {
    DWORD start = 0, end = 0;
    SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

// Characters that may still be added in place of the selection.
int room(const ControlImpl& c) {
    if (c.maxLength <= 0) return 1 << 30;
    const std::wstring text = win::textOf(c.hwnd);
    const auto [start, end] = selection(c.hwnd);
    return c.maxLength - win::characterCount(text) +
           win::characterCount(text.substr(start, end - start));
}

// The text the box would hold with `insert` in place of its selection.
std::wstring withInserted(HWND h, const std::wstring& insert) {
    std::wstring text = win::textOf(h);
    const auto [start, end] = selection(h);
    return text.replace(start, end - start, insert);
}

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool passKeyPress(TextBox& box, int c) {
    if (!box.onKeyPress) return true;
    int keyAscii = c;
    box.onKeyPress(keyAscii);
    return keyAscii != 0;
}

}  // namespace

LRESULT textBoxMessage(ControlImpl& c, UINT msg, WPARAM wParam, LPARAM lParam) {
    TextBox* box = c.textBox;
    if (!box) return CallWindowProcW(c.baseProc, c.hwnd, msg, wParam, lParam);
    switch (msg) {
        case WM_GETDLGCODE: {
            LRESULT code = CallWindowProcW(c.baseProc, c.hwnd, msg, wParam, lParam);
            // Enter and Esc reach a box whose handlers look at them.
            const auto* m = reinterpret_cast<const MSG*>(lParam);
            if (m && m->message == WM_KEYDOWN &&
                (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE) &&
                (box->onKeyDown || box->onKeyPress))
                code |= DLGC_WANTMESSAGE;
            // Tab moves on, also out of a box with lines.
            if (m && m->message == WM_KEYDOWN && m->wParam == VK_TAB)
                code &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
            return code;
        }
        case WM_KEYDOWN:
            if (box->onKeyDown) {
                int code = static_cast<int>(wParam);
                box->onKeyDown(code, win::shiftState());
                if (code == 0) {
                    c.swallowChar = true;
                    return 0;
                }
            }
            break;
        case WM_CHAR: {
            if (std::exchange(c.swallowChar, false)) return 0;
            // A character outside the BMP comes as two messages, one per
            // half: it is held until whole, then handled as one character.
            const auto unit = static_cast<wchar_t>(wParam);
            const wchar_t high = std::exchange(c.highSurrogate, 0);
            if (IS_HIGH_SURROGATE(unit)) {
                c.highSurrogate = unit;
                return 0;
            }
            if (IS_LOW_SURROGATE(unit)) {
                if (!high) return 0;  // half a character is none
                const wchar_t pair[] = {high, unit, 0};
                if (!passKeyPress(*box, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00)))
                    return 0;
                if (room(c) < 1) return 0;
                SendMessageW(c.hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pair));
                return 0;
            }
            const int ch = static_cast<int>(wParam);
            if (ch == VK_TAB) break;
            if (!passKeyPress(*box, ch)) return 0;
            if (ch >= 32 && room(c) < 1) return 0;
            break;
        }
        case WM_KEYUP:
            c.swallowChar = false;
            break;
        case WM_IME_CHAR:  // an input method's characters go the way of typed ones
            return textBoxMessage(c, WM_CHAR, wParam, lParam);
        case WM_PASTE: {
            std::wstring text = clipboardText();
            if (c.maxLength > 0 && !(GetWindowLongPtrW(c.hwnd, GWL_STYLE) & ES_MULTILINE))
                text = text.substr(0, win::unitIndex(text, std::max(0, room(c))));
            else
                text = win::fitting(text, room(c));
            if (box->acceptsText && !box->acceptsText(win::narrow(withInserted(c.hwnd, text))))
                return 0;
            SendMessageW(c.hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
            return 0;
        }
        default:
            break;
    }
    return CallWindowProcW(c.baseProc, c.hwnd, msg, wParam, lParam);
}

TextBox::TextBox(Form& form, Lines lines) : Control(std::make_unique<ControlImpl>()) {
    const DWORD style =
        WS_TABSTOP | WS_BORDER | ES_LEFT |
        (lines == SingleLine ? ES_AUTOHSCROLL : ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL);
    d_->textBox = this;
    d_->create(form, L"EDIT", style);
}

std::string TextBox::text() const {
    return win::narrow(win::textOf(d_->hwnd));
}

void TextBox::setText(const std::string& text) {
    std::wstring w = win::wide(text);
    if (d_->maxLength > 0) w = win::fitting(w, d_->maxLength);
    SetWindowTextW(d_->hwnd, w.c_str());
}

int TextBox::length() const {
    return win::characterCount(win::textOf(d_->hwnd));
}

void TextBox::setMaxLength(int characters) {
    d_->maxLength = characters;
}
int TextBox::maxLength() const {
    return d_->maxLength;
}

// Selections count characters as the handlers do; the edit control counts
// UTF-16 units, so a character outside the BMP is two of its own.
int TextBox::selStart() const {
    const std::wstring text = win::textOf(d_->hwnd);
    return win::characterCount(text.substr(0, selection(d_->hwnd).first));
}
int TextBox::selLength() const {
    const std::wstring text = win::textOf(d_->hwnd);
    const auto [start, end] = selection(d_->hwnd);
    return win::characterCount(text.substr(start, end - start));
}
void TextBox::setSelStart(int start) {
    const auto at = static_cast<WPARAM>(win::unitIndex(win::textOf(d_->hwnd), start));
    SendMessageW(d_->hwnd, EM_SETSEL, at, static_cast<LPARAM>(at));
}
void TextBox::setSelLength(int length) {
    const std::wstring text = win::textOf(d_->hwnd);
    const DWORD from = selection(d_->hwnd).first;
    const int start = win::characterCount(text.substr(0, from));
    SendMessageW(d_->hwnd, EM_SETSEL, from,
                 static_cast<LPARAM>(win::unitIndex(text, start + length)));
}

}  // namespace platform
