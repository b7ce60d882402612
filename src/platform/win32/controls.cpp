#include "platform/shared/focus.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

int nextControlId() {
    static int id = 1000;
    return ++id;
}

int mouseButton(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            return LeftButton;
        case WM_RBUTTONDOWN:
            return RightButton;
        case WM_MBUTTONDOWN:
            return MiddleButton;
        default:
            return 0;
    }
}

// Shift+F10 and the Menu key ask for the menu of the control with the focus.
// For a control with a menu of the program's, the control asks for it on
// the key going down, the same on every system, and the key's release is
// not left to start the window's menu mode or ask again.
bool menuKey(ControlImpl& c, UINT msg, WPARAM wParam) {
    const bool shiftF10 = wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0;
    if ((msg == WM_SYSKEYDOWN && shiftF10) || (msg == WM_KEYDOWN && wParam == VK_APPS)) {
        c.menuKeyDown = true;
        SendMessageW(c.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c.hwnd),
                     static_cast<LPARAM>(0xFFFFFFFF));
        return true;
    }
    if ((msg == WM_SYSKEYUP || msg == WM_KEYUP) && (wParam == VK_F10 || wParam == VK_APPS) &&
        c.menuKeyDown) {
        c.menuKeyDown = false;
        return true;
    }
    return false;
}

}  // namespace

// Every child control's messages pass here first.
LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Only the program's controls come here: their user data is their own.
    auto* c = reinterpret_cast<ControlImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!c) return DefWindowProcW(hwnd, msg, wParam, lParam);
    Control* control = c->control;
    if (msg == WM_SETFOCUS) {
        const LRESULT r = CallWindowProcW(c->baseProc, hwnd, msg, wParam, lParam);
        c->focusIn();
        return r;
    }
    if (const int button = mouseButton(msg); button && control && control->onMouseDown) {
        control->onMouseDown(button, win::shiftState(),
                             c->form->twips(static_cast<short>(LOWORD(lParam))),
                             c->form->twips(static_cast<short>(HIWORD(lParam))));
        return 0;
    }
    if (msg == WM_NCHITTEST && control && control->onMouseDown) return HTCLIENT;
    if (msg == WM_GETOBJECT)
        if (const LRESULT r = accessibleObject(hwnd, c->annotation, wParam, lParam)) return r;
    if (control && control->onMenuKey && menuKey(*c, msg, wParam)) return 0;
    // From the keyboard (no place given): the program's menu in place of
    // the control's own.
    if (msg == WM_CONTEXTMENU && static_cast<DWORD>(lParam) == 0xFFFFFFFF && control &&
        control->onMenuKey) {
        control->onMenuKey();
        return 0;
    }
    return textBoxMessage(*c, msg, wParam, lParam);
}

ControlImpl* ControlImpl::of(HWND hwnd) {
    // Any window may be asked about: only those routed here are controls.
    if (!hwnd || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&controlProc))
        return nullptr;
    return reinterpret_cast<ControlImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void ControlImpl::create(Form& owner, const wchar_t* windowClass, DWORD style, DWORD exStyle) {
    form = &owner.impl();
    hwnd =
        // A control never draws over the siblings above it: a label's repaint
        // stays out of the boxes that overlap it.
        CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                        0, 0, 10, 10, form->hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextControlId())),
                        GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    baseProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&controlProc)));
    form->controls.push_back(this);
}

void ControlImpl::keepOneLine() {
    if (!label) return;
    RECT r{};
    GetClientRect(hwnd, &r);
    const int line = win::textSize(hwnd, L"时", DT_SINGLELINE, 0).cy;
    if (r.bottom < line)
        SetWindowPos(hwnd, nullptr, 0, 0, r.right, line,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlImpl::place() {
    if (!placed || !hwnd) return;
    const bool sized = pictureSize.cx > 0;
    MoveWindow(hwnd, form->px(left), form->px(top), sized ? pictureSize.cx : form->px(width),
               sized ? pictureSize.cy : form->px(height), TRUE);
    keepOneLine();
}

void ControlImpl::applyFont() {
    if (!fontSpec || !hwnd) return;
    HFONT old = font;
    font = win::makeFont(*fontSpec, form->dpi);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (old) DeleteObject(old);
    // Small boxes: the text gets all the room inside the border.
    if (textBox) SendMessageW(hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    keepOneLine();
}

void ControlImpl::focusIn() {
    if (!form) return;
    form->defaultFollowsFocus(hwnd);
    noteFocus(form->activeControl, hwnd, control);
}

Control::Control(std::unique_ptr<ControlImpl> impl) : d_(std::move(impl)) {
    d_->control = this;
}

Control::~Control() {
    d_->control = nullptr;
    forgetFollowers(*d_);
    if (d_->form) std::erase(d_->form->controls, d_.get());
    if (d_->hwnd) {
        SetWindowLongPtrW(d_->hwnd, GWLP_USERDATA, 0);
        DestroyWindow(d_->hwnd);
    }
    if (d_->font) DeleteObject(d_->font);
    if (d_->picture) DestroyIcon(d_->picture);
}

void Control::move(Twips left, Twips top, Twips width, Twips height) {
    d_->placed = true;
    d_->left = left;
    d_->top = top;
    d_->width = width;
    d_->height = height;
    d_->pictureSize = {};
    d_->place();
}

namespace {
RECT childRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}
}  // namespace

Twips Control::left() const {
    return d_->form->twips(childRect(d_->hwnd).left);
}
Twips Control::top() const {
    return d_->form->twips(childRect(d_->hwnd).top);
}
Twips Control::width() const {
    const RECT r = childRect(d_->hwnd);
    return d_->form->twips(r.right - r.left);
}
Twips Control::height() const {
    const RECT r = childRect(d_->hwnd);
    return d_->form->twips(r.bottom - r.top);
}

void Control::setFont(const Font& font) {
    d_->fontSpec = font;
    d_->applyFont();
}

void Control::setForeColor(Color color) {
    d_->foreColor = color;
    d_->hasForeColor = true;
    InvalidateRect(d_->hwnd, nullptr, TRUE);
}

Color Control::foreColor() const {
    return d_->foreColor;
}

double Control::fontPoints() const {
    LOGFONTW lf{};
    HFONT f = reinterpret_cast<HFONT>(SendMessageW(d_->hwnd, WM_GETFONT, 0, 0));
    if (!f || !GetObjectW(f, sizeof lf, &lf)) return 0;
    const double points = -lf.lfHeight * 72.0 / d_->form->dpi;
    return static_cast<int>(points * 2 + 0.5) / 2.0;  // to the half point
}

void Control::setEnabled(bool enabled) {
    const bool held = GetFocus() == d_->hwnd;
    EnableWindow(d_->hwnd, enabled);
    // The system takes the focus from a disabled control and gives it to
    // none: it goes on to the next control, as the Tab key would take it.
    if (!enabled) d_->form->passFocusOn(d_->hwnd, held);
}
bool Control::enabled() const {
    return IsWindowEnabled(d_->hwnd) != FALSE;
}

void Control::setTabIndex(int index) {
    d_->form->tabStops.emplace_back(index, d_->hwnd);
}

void Control::setFocus() {
    HWND top = d_->form->hwnd;
    const HWND front = frontFor(top);
    if (IsWindowVisible(top) && GetForegroundWindow() != front) {
        SetForegroundWindow(front);
    }
    // While a box is modal to the window the control is only remembered: it
    // takes the focus when the window is active again.
    if (front != top) return d_->focusIn();
    const bool active = GetActiveWindow() == top;
    SetFocus(d_->hwnd);
    // An inactive window gets no focus message; its control is still the
    // one that will have the focus.
    if (!active) d_->focusIn();
}

bool Control::hasFocus() const {
    return GetFocus() == d_->hwnd || (GetFocus() == nullptr && d_->form->activeControl == d_->hwnd);
}

Label::Label(Form& form) : Control(std::make_unique<ControlImpl>()) {
    d_->create(form, L"STATIC", SS_LEFT | SS_EDITCONTROL | SS_NOPREFIX | SS_NOTIFY);
    d_->label = true;
    d_->annotation.label = true;
    // Labels lie beneath the controls that overlap them: the window puts
    // them there as it first shows, a label made later goes there now.
    if (d_->form->tabOrderSet)
        SetWindowPos(d_->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Label::setCaption(const std::string& caption) {
    // Nobody sees a hidden window's labels: the clock ticking behind a
    // window in the tray sets nothing until the window shows.
    if (!IsWindowVisible(d_->form->hwnd)) {
        d_->pendingCaption = win::wide(caption);
        return;
    }
    d_->pendingCaption.reset();
    SetWindowTextW(d_->hwnd, win::wide(caption).c_str());
    captionChanged(*d_);
}
std::string Label::caption() const {
    return win::narrow(d_->pendingCaption ? *d_->pendingCaption : win::textOf(d_->hwnd));
}

Twips Label::wrappedHeight() const {
    RECT r{};
    GetClientRect(d_->hwnd, &r);
    return d_->form->twips(
        win::textSize(d_->hwnd, win::wide(caption()), win::kLabelDrawing, r.right).cy);
}

CommandButton::CommandButton(Form& form) : Control(std::make_unique<ControlImpl>()) {
    d_->create(form, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP);
    d_->annotation.pushButton = true;
    d_->click = [this] {
        if (onClick) onClick();
    };
}

void CommandButton::setCaption(const std::string& caption) {
    SetWindowTextW(d_->hwnd, win::wide(caption).c_str());
}
std::string CommandButton::caption() const {
    return win::narrow(win::textOf(d_->hwnd));
}

void CommandButton::setDefault(bool isDefault) {
    d_->form->defaultButton = isDefault ? d_->hwnd : nullptr;
    SendMessageW(d_->hwnd, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}
void CommandButton::setCancel(bool isCancel) {
    d_->form->cancelButton = isCancel ? d_->hwnd : nullptr;
}

PictureBox::PictureBox(Form& form) : Control(std::make_unique<ControlImpl>()) {
    d_->create(form, L"STATIC", SS_ICON | SS_NOTIFY);
}

void PictureBox::setPicture(const assets::IndexedPicture& picture) {
    if (d_->picture) DestroyIcon(d_->picture);
    d_->picture = win::makeIcon(picture);
    SendMessageW(d_->hwnd, STM_SETICON, reinterpret_cast<WPARAM>(d_->picture), 0);
    d_->pictureSize = {picture.width, picture.height};
    SetWindowPos(d_->hwnd, nullptr, 0, 0, picture.width, picture.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Line::Line(Form& form, Twips x1, Twips y1, Twips x2, Twips y2, Color color, int widthPixels)
    : d_(std::make_unique<ControlImpl>()) {
    d_->form = &form.impl();
    d_->lineIndex = d_->form->lines.size();
    LineShape shape{};
    shape.color = RGB(color.red, color.green, color.blue);
    shape.width = widthPixels;
    d_->form->lines.push_back(shape);
    move(x1, y1, x2, y2);
}

void Line::move(Twips x1, Twips y1, Twips x2, Twips y2) {
    LineShape& shape = d_->form->lines[d_->lineIndex];
    shape.x1 = x1;
    shape.y1 = y1;
    shape.x2 = x2;
    shape.y2 = y2;
    shape.from = {d_->form->px(x1), d_->form->px(y1)};
    shape.to = {d_->form->px(x2), d_->form->px(y2)};
    InvalidateRect(d_->form->hwnd, nullptr, TRUE);
}

Line::~Line() = default;

}  // namespace platform
