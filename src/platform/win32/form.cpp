#include <algorithm>
#include <map>
#include <string_view>

#include "platform/shared/focus.h"
#include "platform/system.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {

constexpr wchar_t kFormClass[] = L"TockmereForm";

void registerClass() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = formProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
}

DWORD styleOf(const FormStyle& s) {
    return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN |
           (s.dialog ? DS_MODALFRAME : 0);
}

DWORD exStyleOf(const FormStyle& s) {
    DWORD ex = s.dialog ? WS_EX_DLGMODALFRAME : 0;
    if (!s.showInTaskbar) ex |= WS_EX_TOOLWINDOW;
    return ex | WS_EX_CONTROLPARENT;
}

RECT windowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

// A control the focus can be given: enabled and not hidden itself (its
// window may be hidden); the dialog keys stop only at tab stops.
bool canTakeFocus(HWND c) {
    if (!c || !IsWindow(c)) return false;
    return (GetWindowLongPtrW(c, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE;
}
bool isTabStop(HWND c) {
    return canTakeFocus(c) && (GetWindowLongPtrW(c, GWL_STYLE) & WS_TABSTOP);
}

void mouseDown(FormImpl* f, int button, LPARAM lParam) {
    Form* form = f ? f->form : nullptr;
    if (!form || !form->onMouseDown) return;
    form->onMouseDown(button, win::shiftState(), f->twips(static_cast<short>(LOWORD(lParam))),
                      f->twips(static_cast<short>(HIWORD(lParam))));
}

}  // namespace

FormImpl* FormImpl::of(HWND hwnd) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (wcscmp(cls, kFormClass) != 0) return nullptr;
    return reinterpret_cast<FormImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void FormImpl::applyTabOrder() {
    if (tabOrderSet) return;
    tabOrderSet = true;
    sortTabStops(tabStops);
    // The focus order of a window follows the z-order of its children.
    HWND after = HWND_TOP;
    for (const auto& [index, child] : tabStops) {
        if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP)) continue;
        SetWindowPos(child, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = child;
    }
    // Labels lie beneath every other control that overlaps them; a picture
    // stays above them.
    for (ControlImpl* c : controls)
        if (c->label)
            SetWindowPos(c->hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND FormImpl::enterButton(HWND focus) const {
    const ControlImpl* focused = ControlImpl::of(focus);
    return focused && focused->form == this && focused->annotation.pushButton ? focus
                                                                              : defaultButton;
}

// The dialog keys do the same when Tab moves the focus; this covers the
// program's own moves and the mouse's. They ask DM_GETDEFID which button
// is the default once the focus has moved, and get the same answer.
void FormImpl::defaultFollowsFocus(HWND focus) {
    const HWND styled = enterButton(focus);
    for (ControlImpl* c : controls) {
        if (!c->annotation.pushButton) continue;
        const bool styledNow =
            (GetWindowLongPtrW(c->hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (styledNow != (c->hwnd == styled))
            SendMessageW(c->hwnd, BM_SETSTYLE, c->hwnd == styled ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                         TRUE);
    }
}

HWND FormImpl::focusOnActivation() const {
    if (canTakeFocus(activeControl)) return activeControl;
    // A window opening without a control of its own choosing has the focus
    // on the button Enter presses. Never on none: the window alone takes
    // no keys of the program's and a screen reader hears nothing.
    if (!activeControl && canTakeFocus(defaultButton)) return defaultButton;
    return nextTabStop(nullptr);
}

HWND FormImpl::nextTabStop(HWND after) const {
    auto order = tabStops;
    sortTabStops(order);
    const auto at = std::find_if(order.begin(), order.end(),
                                 [after](const auto& stop) { return stop.second == after; });
    const std::size_t from =
        at == order.end() ? 0 : static_cast<std::size_t>(at - order.begin()) + 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const HWND c = order[(from + i) % order.size()].second;
        if (c != after && isTabStop(c)) return c;
    }
    return nullptr;
}

void FormImpl::passFocusOn(HWND from, bool held) {
    if (!held && activeControl != from) return;
    const HWND to = nextTabStop(from);
    if (!to) return;
    if (held && GetActiveWindow() == hwnd) {
        SetFocus(to);
        return;
    }
    // An inactive or hidden window: the control it gives the focus to when
    // it is active again.
    if (ControlImpl* c = ControlImpl::of(to)) c->focusIn();
}

void FormImpl::handActivationBack() {
    if (GetActiveWindow() != hwnd) return;
    const HWND to = modalOwner ? modalOwner : mainWindow();
    if (!to || to == hwnd || !IsWindowVisible(to) || IsIconic(to)) return;
    // Before this window hides: hidden first, it would leave the choice to
    // the window manager, which may give the focus to anything on the
    // desktop (a panel) before the system names the next window.
    SetForegroundWindow(frontFor(to));
}

void FormImpl::showPendingCaptions() {
    for (ControlImpl* c : controls)
        if (c->pendingCaption) {
            SetWindowTextW(c->hwnd, c->pendingCaption->c_str());
            c->pendingCaption.reset();
            captionChanged(*c);
        }
}

void FormImpl::rescale(int newDpi, const RECT& suggested) {
    dpi = newDpi;
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (ControlImpl* c : controls) {
        c->applyFont();
        c->place();
    }
    for (LineShape& l : lines) {
        l.from = {px(l.x1), px(l.y1)};
        l.to = {px(l.x2), px(l.y2)};
    }
    if (form && form->onRescaled) form->onRescaled();
    InvalidateRect(hwnd, nullptr, TRUE);
}

void FormImpl::keep(Kept to) {
    kept = to;
    switch (to) {
        case Kept::Screen:
            ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
            break;
        case Kept::Tray:
            ShowWindow(hwnd, SW_HIDE);
            break;
        case Kept::Taskbar:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
    }
}

void FormImpl::showWindow() {
    applyTabOrder();
    keep(Kept::Screen);
    // Draw every control again in its z-order, boxes over the labels
    // under them.
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HWND front = frontFor(hwnd);
    SetForegroundWindow(front);
    if (front == hwnd) {
        if (HWND to = focusOnActivation()) SetFocus(to);
    } else {
        // Wine can leave the box in front beneath its owner, which stays on top.
        SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

namespace {
// Wine keeps a hidden window active when no other takes its place: shown
// again, no activation moves the focus, so a screen reader is told where it is.
void focusShownWhileActive(HWND hwnd, FormImpl& f) {
    if (GetActiveWindow() != hwnd) return;
    if (HWND to = f.focusOnActivation()) {
        if (GetFocus() == to)
            NotifyWinEvent(EVENT_OBJECT_FOCUS, to, OBJID_CLIENT, CHILDID_SELF);
        else
            SetFocus(to);
    }
}
}  // namespace

// To the program's front window on screen, a box or another of its windows,
// or else to the desktop.
void passActivationOn(HWND hidden) {
    for (HWND w = GetWindow(hidden, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == hidden || !IsWindowVisible(w) || IsIconic(w) || !IsWindowEnabled(w) ||
            GetWindowThreadProcessId(w, nullptr) != GetCurrentThreadId())
            continue;
        SetForegroundWindow(w);
        return;
    }
    SetForegroundWindow(GetDesktopWindow());
}

LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    FormImpl* f = FormImpl::of(hwnd);
    Form* form = f ? f->form : nullptr;
    if (f && msg == taskbarCreatedMessage()) {
        readdTrayIcons(hwnd);
        return 0;
    }
    switch (msg) {
        case WM_CLOSE:
            if (form) form->unload();
            return 0;
        case WM_ENDSESSION:
            // The user logs off or the system shuts down: the program ends
            // as by its Exit command, its icon taken from the notification
            // area, before the system ends the process.
            if (wParam) unloadEveryForm();
            return 0;
        case WM_ACTIVATE:
            if (f && LOWORD(wParam) == WA_INACTIVE) {
                // Only the window itself losing the focus counts.
                HWND focus = GetFocus();
                if ((focus == hwnd || focus == nullptr) && f->activeControl == nullptr && form &&
                    form->onLostFocus)
                    form->onLostFocus();
            } else if (f && !IsWindowVisible(hwnd)) {
                // Activated hidden (a box it owned has closed): its control
                // takes the keyboard when the window shows, not before; a
                // field given it now would blink its caret for nobody,
                // waking the program twice a second. Nor does the window
                // keep the keys, which Tab would move among hidden controls
                // (but for a menu's while: the tray's menu needs its owner
                // in front).
                if (!menuTracking()) passActivationOn(hwnd);
                return 0;
            } else if (HWND to = f ? f->focusOnActivation() : nullptr) {
                SetFocus(to);
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGED:
            if (f && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
                focusShownWhileActive(hwnd, *f);
            break;
        case WM_GETOBJECT:
            if (f)
                if (const LRESULT r = accessibleObject(hwnd, f->annotation, wParam, lParam))
                    return r;
            break;
        case WM_WINDOWPOSCHANGING:
            // However the window comes to show: its controls in their order,
            // the labels with the captions they were given while hidden.
            if (f && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)) {
                // A timer asleep while the window was hidden ticks first.
                timersHearShowing(hwnd);
                f->applyTabOrder();
                f->showPendingCaptions();
            }
            break;
        case WM_TIMECHANGE:
            timersHearClockChange(hwnd);
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
                timersHearClockChange(hwnd);
            break;
        case WM_DPICHANGED:
            if (f) {
                f->rescale(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
                fitTrayIcons(hwnd);
                return 0;
            }
            break;
        case WM_SETTINGCHANGE:
            // The time zone, or the regional settings, may have changed.
            if (lParam == 0 ||
                std::wstring_view{reinterpret_cast<const wchar_t*>(lParam)} == L"intl")
                timersHearClockChange(hwnd);
            [[fallthrough]];
        case WM_DISPLAYCHANGE:
            // The monitor that holds the notification area may have a new
            // scale while the window is on another.
            if (f) fitTrayIcons(hwnd);
            break;
        case WM_SYSCOMMAND:
            if (f && (wParam & 0xFFF0) == SC_RESTORE) f->kept = FormImpl::Kept::Screen;
            break;
        case WM_SIZE:
            if (f && wParam == SIZE_RESTORED) f->kept = FormImpl::Kept::Screen;
            break;
        case WM_LBUTTONDOWN:
            mouseDown(f, LeftButton, lParam);
            return 0;
        case WM_RBUTTONDOWN:
            mouseDown(f, RightButton, lParam);
            return 0;
        case WM_MBUTTONDOWN:
            mouseDown(f, MiddleButton, lParam);
            return 0;
        case WM_COMMAND: {
            const HWND from = reinterpret_cast<HWND>(lParam);

            if (from == nullptr && HIWORD(wParam) == 0) {
                if (MenuItem* item = menuItemById(LOWORD(wParam))) {
                    if (item->onClick) item->onClick();
                    return 0;
                }
            }
            // Enter and Esc, as the dialog keys give them.
            HWND target = from;
            if (f && from == nullptr && LOWORD(wParam) == IDOK) target = f->defaultButton;
            if (f && from == nullptr && LOWORD(wParam) == IDCANCEL) target = f->cancelButton;
            if (ControlImpl* c = target ? ControlImpl::of(target) : nullptr;
                c && c->click && (from == nullptr || HIWORD(wParam) == BN_CLICKED)) {
                if (IsWindowEnabled(target)) c->click();
                return 0;
            }
            break;
        }
        case DM_GETDEFID:
            if (HWND button = f ? f->enterButton(GetFocus()) : nullptr)
                return MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID);
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            ControlImpl* c = ControlImpl::of(reinterpret_cast<HWND>(lParam));
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (c && c->hasForeColor)
                SetTextColor(dc, RGB(c->foreColor.red, c->foreColor.green, c->foreColor.blue));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (f)
                for (const LineShape& l : f->lines) {
                    if (l.from.y == l.to.y) {
                        // A level line thicker than a pixel grows downwards
                        // from its points, never over the line just above.
                        HBRUSH brush = CreateSolidBrush(l.color);
                        const RECT r{std::min(l.from.x, l.to.x), l.from.y,
                                     std::max(l.from.x, l.to.x), l.from.y + l.width};
                        FillRect(dc, &r, brush);
                        DeleteObject(brush);
                        continue;
                    }
                    HPEN pen = CreatePen(PS_SOLID, l.width, l.color);
                    HGDIOBJ old = SelectObject(dc, pen);
                    MoveToEx(dc, l.from.x, l.from.y, nullptr);
                    LineTo(dc, l.to.x, l.to.y);
                    SelectObject(dc, old);
                    DeleteObject(pen);
                }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

Form::Form(const FormStyle& style) : d_(std::make_unique<FormImpl>()) {
    registerClass();
    d_->form = this;
    d_->dpi = win::screenDpi();
    RECT r{0, 0, d_->px(style.clientWidth), d_->px(style.clientHeight)};
    AdjustWindowRectEx(&r, styleOf(style), FALSE, exStyleOf(style));
    d_->hwnd =
        CreateWindowExW(exStyleOf(style), kFormClass, win::wide(style.caption).c_str(),
                        styleOf(style), CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(d_->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(d_.get()));
    formLoaded(*d_);
}

Form::~Form() {
    forgetTrayIcons(d_->hwnd);
    if (d_->loaded) formGone(*d_);
    d_->form = nullptr;
    SetWindowLongPtrW(d_->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(d_->hwnd);
    if (d_->icon) DestroyIcon(d_->icon);
}

void Form::show() {
    d_->showWindow();
}

void Form::showModal(Form* owner) {
    HWND ownerWindow = owner ? owner->d_->hwnd : nullptr;
    if (ownerWindow)
        SetWindowLongPtrW(d_->hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow));
    d_->modal = true;
    d_->modalOwner = ownerWindow;
    if (ownerWindow) EnableWindow(ownerWindow, FALSE);
    show();
    MSG msg;
    while (d_->loaded && IsWindowVisible(d_->hwnd) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(d_->hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (ownerWindow) EnableWindow(ownerWindow, TRUE);
    d_->modal = false;
}

void Form::hide() {
    // Without a notification area the window would be out of reach: it goes
    // to the task bar instead.
    d_->keep(trayNeedsTaskbar(d_->hwnd) ? FormImpl::Kept::Taskbar : FormImpl::Kept::Tray);
}

void Form::unload() {
    if (!d_->loaded || d_->unloading) return;
    d_->unloading = true;
    if (d_->modalOwner) EnableWindow(d_->modalOwner, TRUE);
    d_->handActivationBack();
    ShowWindow(d_->hwnd, SW_HIDE);
    if (onUnload) onUnload();
    d_->unloading = false;
    d_->loaded = false;
    formGone(*d_);
}

bool Form::loaded() const {
    return d_->loaded;
}
bool Form::visible() const {
    return IsWindowVisible(d_->hwnd) != FALSE;
}

void Form::setIcon(const assets::IndexedPicture& picture) {
    if (d_->icon) DestroyIcon(d_->icon);
    d_->icon = win::windowIcon(picture, MulDiv(32, d_->dpi, 96));
    SendMessageW(d_->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(d_->icon));
    SendMessageW(d_->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(d_->icon));
}

Handle Form::iconHandle() const {
    return reinterpret_cast<Handle>(d_->icon);
}

std::string Form::caption() const {
    wchar_t buffer[256] = {};
    GetWindowTextW(d_->hwnd, buffer, 256);
    return win::narrow(buffer);
}

Twips Form::left() const {
    return d_->twips(windowRect(d_->hwnd).left);
}
Twips Form::top() const {
    return d_->twips(windowRect(d_->hwnd).top);
}
Twips Form::width() const {
    const RECT r = windowRect(d_->hwnd);
    return d_->twips(r.right - r.left);
}
Twips Form::height() const {
    const RECT r = windowRect(d_->hwnd);
    return d_->twips(r.bottom - r.top);
}

namespace {
void place(HWND h, int x, int y, int w, int hgt, UINT flags) {
    SetWindowPos(h, nullptr, x, y, w, hgt, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

void Form::setLeft(Twips v) {
    place(d_->hwnd, d_->px(v), windowRect(d_->hwnd).top, 0, 0, SWP_NOSIZE);
}
void Form::setTop(Twips v) {
    place(d_->hwnd, windowRect(d_->hwnd).left, d_->px(v), 0, 0, SWP_NOSIZE);
}
void Form::setWidth(Twips v) {
    const RECT r = windowRect(d_->hwnd);
    place(d_->hwnd, 0, 0, d_->px(v), r.bottom - r.top, SWP_NOMOVE);
}
void Form::setHeight(Twips v) {
    // The system keeps at least the title bar of a window made lower.
    const RECT r = windowRect(d_->hwnd);
    place(d_->hwnd, 0, 0, r.right - r.left, d_->px(v), SWP_NOMOVE);
}

Form::WindowState Form::windowState() const {
    return IsIconic(d_->hwnd) ? Minimized : Normal;
}

void Form::setWindowState(WindowState state) {
    if (d_->kept == FormImpl::Kept::Taskbar) return;
    if (!IsWindowVisible(d_->hwnd)) return;  // a hidden window stays hidden
    ShowWindow(d_->hwnd, state == Minimized ? SW_MINIMIZE : SW_RESTORE);
}

Handle Form::hWnd() const {
    return win::handle(d_->hwnd);
}

bool Form::topMost() const {
    return (GetWindowLongPtrW(d_->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

Twips screenWidth() {
    return win::toTwips(GetSystemMetrics(SM_CXSCREEN), win::screenDpi());
}
Twips screenHeight() {
    return win::toTwips(GetSystemMetrics(SM_CYSCREEN), win::screenDpi());
}

}  // namespace platform
