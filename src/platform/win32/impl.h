// Win32 side of the platform types: what each interface object holds, and
// the conversions between the program's units and texts and the system's.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The program's own names first: the system header then defines the same
// constants as macros of the same values, which is harmless after them.
#include "assets/alarm_clock.h"
#include "platform/controls.h"
#include "platform/declared.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/shared/loaded_forms.h"
#include "platform/shared/timers.h"
#include "platform/timer.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace platform {

namespace win {
std::wstring wide(const std::string& utf8);
// The text a window holds (a caption, a box's contents).
std::wstring textOf(HWND h);
std::string narrow(const std::wstring& utf16);
// At the screen's dots per inch (or the tests'), read once per window made.
int screenDpi();
// At a window's own dots per inch.
int toPixels(Twips t, int dpi);
Twips toTwips(int px, int dpi);
// The face a font name stands for here: itself, or the first fallback
// face that is installed.
std::wstring faceFor(const std::string& name);
HFONT makeFont(const Font& font, int dpi);
// How a label draws its text: wrapped at spaces, between Chinese
// characters and inside words longer than the line; '&' is itself.
inline constexpr UINT kLabelDrawing = DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
// The size `text` takes in the control's font under the DrawText flags,
// wrapped to `width` where they wrap.
SIZE textSize(HWND control, const std::wstring& text, UINT flags, int width);
HICON makeIcon(const assets::IndexedPicture& picture);
// A window's icon: for the alarm clock the program's own icon resource
// (drawn from its SVG at several sizes), else the picture as it is.
HICON windowIcon(const assets::IndexedPicture& picture, int size);
// A function of a library looked up while the program runs, for libraries
// loaded only when needed and functions of newer systems (the program still
// starts on older ones): `to` is null when there is none.
template <typename Function>
void takeFunction(Function& to, HMODULE from, const char* name) {
    const FARPROC f = from ? GetProcAddress(from, name) : nullptr;
    to = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(f));
}
// An icon's colour pixels, 0xAARRGGBB row by row from the top; empty when
// it has none to read.
struct IconPixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;
};
IconPixels iconPixels(HICON icon);
// A new icon of size × size pixels drawn from `icon` (the program's icon
// from its resource at that size); null when it has none.
HICON resizedIcon(HICON icon, int size);
int shiftState();
inline HWND hwnd(Handle h) {
    return reinterpret_cast<HWND>(h);
}
inline Handle handle(HWND h) {
    return reinterpret_cast<Handle>(h);
}
// Code points of a UTF-16 text, as the program counts characters.
int characterCount(const std::wstring& s);
// The index in `s` of the character at position `characters`, or its end.
std::size_t unitIndex(const std::wstring& s, int characters);
// The longest start of `text` of at most `room` characters that ends on a
// whole character (a base with its marks, a surrogate pair).
std::wstring fitting(const std::wstring& text, int room);
}  // namespace win

struct LineShape {
    Twips x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // as the window's layout gives them
    POINT from, to;
    COLORREF color;
    int width;
};

struct ControlImpl;

// What a screen reader is told of a window beyond what the system reads
// from it: empty texts leave the system's own.
struct Annotation {
    std::wstring name;
    std::wstring description;
    const ControlImpl* nameFrom = nullptr;  // the label whose caption is the name
    const ControlImpl* descriptionFrom = nullptr;
    bool pushButton = false;  // read as a button, by its caption
    bool label = false;       // its caption is its value, whatever its name
};

struct FormImpl {
    Form* form = nullptr;
    HWND hwnd = nullptr;
    HICON icon = nullptr;
    bool loaded = true;
    bool unloading = false;
    bool modal = false;
    HWND modalOwner = nullptr;
    // Where the program keeps the window: on the screen (collapsed behind a
    // box too), hidden to the tray, or minimised in the task bar while no
    // notification area is there. keep() is the one way from each to
    // another; the user restoring it from the task bar brings it on the
    // screen as well.
    enum class Kept { Screen, Tray, Taskbar };
    Kept kept = Kept::Screen;
    void keep(Kept to);
    HWND activeControl = nullptr;  // the control that last took the focus here
    HWND defaultButton = nullptr;
    HWND cancelButton = nullptr;
    std::vector<std::pair<int, HWND>> tabStops;
    bool tabOrderSet = false;
    std::vector<LineShape> lines;
    std::vector<ControlImpl*> controls;
    Annotation annotation;
    int dpi = 96;  // the window's own: the screen's when made, then its monitor's

    int px(Twips t) const { return win::toPixels(t, dpi); }
    Twips twips(int pixels) const { return win::toTwips(pixels, dpi); }

    void applyTabOrder();
    // Enter presses the push button that has the focus, else the default
    // button: the default style goes to the one Enter would press.
    HWND enterButton(HWND focus) const;
    void defaultFollowsFocus(HWND focus);
    // The control that takes the focus when the window becomes active.
    HWND focusOnActivation() const;
    // The first tab stop after `after` in the tab order that can take the
    // focus, going round from the end; the first one for none.
    HWND nextTabStop(HWND after) const;
    // A control that can no longer take the focus hands it on, when it had
    // it or its window remembers it, to the next tab stop that can.
    void passFocusOn(HWND from, bool held);
    // Going away while active, the window hands the activation to the
    // window it is modal to, else to the main window, when that is shown.
    void handActivationBack();
    void showWindow();
    // Labels given a caption while the window was hidden take it now.
    void showPendingCaptions();
    // Moved to a monitor of another scale: the window takes the rectangle
    // the system suggests, its controls, lines and fonts the new scale.
    void rescale(int newDpi, const RECT& suggested);
    static FormImpl* of(HWND hwnd);
};

struct ControlImpl {
    Control* control = nullptr;
    FormImpl* form = nullptr;
    HWND hwnd = nullptr;
    WNDPROC baseProc = nullptr;  // the control class's own procedure
    HFONT font = nullptr;
    Color foreColor{};
    bool hasForeColor = false;
    HBRUSH backBrush = nullptr;
    HICON picture = nullptr;
    int maxLength = 0;          // characters; 0 is no limit
    bool swallowChar = false;   // a key-down handler took the key
    wchar_t highSurrogate = 0;  // the first half of a character typed in two
    TextBox* textBox = nullptr;
    std::function<void()> click;  // BN_CLICKED
    std::size_t lineIndex = 0;
    bool label = false;  // a line's shape among its form's
    Annotation annotation;
    std::vector<ControlImpl*> followers;  // named or described by this label
    bool menuKeyDown = false;             // Shift+F10 went down and opened the menu
    // Where the layout put the control and in which font, to lay it out
    // again at another scale.
    bool placed = false;
    Twips left = 0, top = 0, width = 0, height = 0;
    std::optional<Font> fontSpec;
    SIZE pictureSize{};  // a picture's own size, when it was sized after it was placed
    // A label's caption set while its window was hidden: shown when it shows.
    std::optional<std::wstring> pendingCaption;

    // Makes the child window and routes its messages here.
    void create(Form& owner, const wchar_t* windowClass, DWORD style, DWORD exStyle = 0);
    void focusIn();
    // Puts the control where the layout says, at its window's scale.
    void place();
    void applyFont();
    // A label is never lower than one line of its font: a text's lower
    // strokes are never cut.
    void keepOneLine();
    static ControlImpl* of(HWND hwnd);
};

// Asleep, a timer is aimed at the moment to wake at, if any.
struct TimerImpl : TimerState {
    UINT_PTR id = 0;
    bool periodic = false;  // ticking every interval, not aimed at one boundary
    HWND window = nullptr;  // its form's: showing wakes it, and it hears of clock changes
};

// What the timers of a window hear from it: the system's clock was set, its
// time zone changed or the machine resumed (every sleeping timer ticks now
// and aims again), and the window is about to show (a sleeping timer ticks
// now and runs periodically again).
void timersHearClockChange(HWND window);
void timersHearShowing(HWND window);

struct MenuImpl {
    HMENU menu = nullptr;
    HWND owner = nullptr;
};

struct MenuItemImpl {
    HMENU menu = nullptr;
    UINT id = 0;
    std::string caption;
    bool separator = false;
};

// WM_GETOBJECT of a window with answers of the program's own; 0 leaves the
// message to the window's class.
LRESULT accessibleObject(HWND h, const Annotation& a, WPARAM wParam, LPARAM lParam);
// COM ended in this thread, if a screen reader's first question started it.
void endAccessibility();
// A label's caption changed: the controls it names or describes follow it.
void captionChanged(ControlImpl& label);
// A control goes: the labels no longer update it.
void forgetFollowers(ControlImpl& c);

// Text boxes' own handling of a message (other controls: the class's own).
LRESULT textBoxMessage(ControlImpl& c, UINT msg, WPARAM wParam, LPARAM lParam);

// The menu items by command id, for WM_COMMAND and the pop-up.
MenuItem* menuItemById(UINT id);

// The window that owns message boxes when no other is active.
HWND mainWindow();
// The window to bring to the front for `window`: itself, or, while a box is
// modal to it (the window disabled), that box, so that it stays above and
// takes the keys.
HWND frontFor(HWND window);
// A hidden window made active passes the activation on: to the program's
// front window on screen, or else to the desktop, so that no key reaches a
// control nobody sees.
void passActivationOn(HWND hidden);
// True while a pop-up menu is opened and tracked: its owner is made active
// for it, hidden or not.
bool& menuTracking();
// The application ends the event loop when the last window is unloaded.
void formGone(FormImpl& form);
// The session ends: the windows are unloaded, the main window first, whose
// Unload handler is the program's Exit command.
void unloadEveryForm();

// What a form does with a message: the base of its window-procedure chain.
LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The notification area: re-adding icons when the shell comes back, and
// whether there is one at all.
void readdTrayIcons(HWND owner);
// The icons drawn again at the size the notification area now draws them.
void fitTrayIcons(HWND owner);
// For the tests: the notification area's scale in place of the system's
// (0 gives it back), and the picture the shell was handed for an icon.
void overrideTrayDpi(int dpi);
std::optional<win::IconPixels> trayIconShown(HWND owner);
bool trayNeedsTaskbar(HWND owner);
void forgetTrayIcons(HWND owner);
UINT taskbarCreatedMessage();

}  // namespace platform
