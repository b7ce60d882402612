// Qt side of the platform types: what each interface object holds, and the
// conversions between the program's units and texts and Qt's.
#pragma once

#include <QEventLoop>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMargins>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assets/alarm_clock.h"
#include "platform/controls.h"
#include "platform/declared.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/shared/timers.h"
#include "platform/timer.h"

namespace platform {

namespace qt {
int toPixelsX(Twips t);
int toPixelsY(Twips t);
Twips toTwipsX(int px);
Twips toTwipsY(int px);
inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string ss(const QString& s) {
    return s.toStdString();
}
QImage toImage(const assets::IndexedPicture& picture);
int shiftState(Qt::KeyboardModifiers modifiers);
// Shift+F10 or the Menu key: the keyboard's way to a context menu.
bool isMenuKey(const QKeyEvent* e);
int buttonCode(Qt::MouseButton button);
// Qt's keys and the program's key codes for the keys that have no letter.
const std::vector<std::pair<int, int>>& keyCodes();
// Characters as the handlers count them: code points.
int characterCount(const QString& s);
// The index in `s` of the character at position `characters`, or its end.
qsizetype unitIndex(const QString& s, int characters);
// The program sizes and places its windows as on Windows: by an outer
// rectangle that is the client area and the frame Windows draws round it
// (its standard metrics, scaled to the screen). The client area is the
// same as the Windows build's; the window manager's own frame goes round
// it, centred where that rectangle's centre is.
QSize windowsFrame();
QSize windowsOuterSize(const QWidget* w);
QPoint windowsOuterPlace(const QWidget* w);
// Puts the window's real frame at `frame`, however late Qt learns of it.
void moveFrame(QWidget* w, QPointF frame);
// Puts the window's real frame where Windows would put its outer rectangle
// at (left, top); a coordinate not given stays as it is.
void placeWindowsOuter(QWidget* w, std::optional<int> left, std::optional<int> top);
// The window manager has told the window's frame (on X11, late for some):
// a window the program placed before that is placed again by it.
void frameTold(QWidget* w);
// Text wrapped as labels wrap it: at a space, between any two Chinese
// characters, inside a word longer than the line. Its size, and drawing it.
QSizeF wrappedSize(const QFont& font, int width, const QString& text);
void drawWrapped(QPainter& painter, const QFont& font, const QRect& rect, const QString& text);
// A screen reader reads the program's windows as the program means them.
void readByScreenReaders();
// Called as a box opens: the window it blocks taking the keyboard for a
// moment is not told to a screen reader.
void hearNoActivationBlips();
// While one lives, what happens to a text box's text, selection and caret
// is not told to a screen reader as edits: what a box does on taking or
// leaving the focus, and what the program itself does to it. Told of a
// selection before Qt announces the focus, Orca takes the box for focused
// already and never says its name; told of a refill, it reads out the
// deleted selection. Announcing the focus, it reads the box as it stands.
class QuietEdits {
public:
    explicit QuietEdits(QObject* box);
    ~QuietEdits();
    QuietEdits(const QuietEdits&) = delete;
    QuietEdits& operator=(const QuietEdits&) = delete;

private:
    QObject* box_;
};
// On X11, where X has a top-level window's client area now, in the
// display's pixels on its screen; none off X11 or while it is not mapped.
std::optional<QPoint> x11ClientPosition(const QWidget* w);
// On X11, the frame the window manager says it puts round the window
// (_NET_FRAME_EXTENTS); none off X11 or before a window manager says so.
std::optional<QMargins> x11FrameExtents(const QWidget* w);
// The desktop's event sounds as its settings daemon gives them to X
// clients; none on a display without one.
struct EventSounds {
    bool enabled = true;
    std::string theme;
};
std::optional<EventSounds> x11EventSounds();
// On X11, asks for the window's client area at `at`, as given above.
void moveX11Client(const QWidget* w, QPoint at);
// Whether X's keyboard focus is on a window of the program (false off X11).
bool programHoldsX11Focus();
// On X11: a window of the program that a window manager took down with it
// as it ended is made anew, as it was; one framed late is placed again.
void watchTopLevelWindows();
// Brings a window to the front and makes it active; while a box or another
// window is modal to it, that one comes to the front over it and is made
// active instead, so that it stays above and takes the keys. Gives the
// window made active.
QWidget* activate(QWidget* window);
// Whether a box or window open modal to `window` keeps the input from it.
bool blockedByModal(const QWidget* window);
// Lets a window just shown reach the screen, so that its frame is known.
void awaitFrame(QWidget* w);
// A window's icon from its picture; the alarm clock's at every size a tray
// draws it.
QIcon iconOf(const assets::IndexedPicture& picture);
// Icons by handle, as the tray record carries them.
Handle iconHandle(const QIcon& icon);
Handle iconHandle(const assets::IndexedPicture& picture);
QIcon iconFromHandle(Handle handle);
}  // namespace qt

class FormWidget;

// Routes a control's focus and mouse events to its handlers.
class ControlEvents : public QObject {
public:
    explicit ControlEvents(ControlImpl& impl) : impl_(impl) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ControlImpl& impl_;
};

// What a window does with a message that no hook takes: the restore command
// shows it in its normal state and activates it.
LongPtr defaultWindowProc(Handle hWnd, std::uint32_t uMsg, LongPtr wParam, LongPtr lParam);

struct FormImpl {
    Form* form = nullptr;
    QPointer<FormWidget> widget;
    Handle handle = 0;
    bool loaded = true;
    bool unloading = false;
    bool tabOrderSet = false;
    QEventLoop* modalLoop = nullptr;
    LongPtr wndProc = 0;  // the window procedure messages go to first
    Handle icon = 0;      // the window's icon, as the tray record names it
    // Where the program keeps the window: on the screen (collapsed behind a
    // box too), hidden to the tray, minimised in the task bar while no
    // notification area is there, or hidden to the tray again from there
    // and still minimised as Qt holds it (leaving that state maps the window,
    // so it is left when the window next shows). keep() is the one way from
    // each to another.
    enum class Kept { Screen, Tray, Taskbar, TrayMinimized };
    Kept kept = Kept::Screen;
    void keep(Kept to);
    // The window's first pop-up menu: the one its tray icon offers where the
    // desktop draws the icon's menu itself.
    QPointer<QMenu> trayMenu;
    QPointer<QWidget> defaultButton;  // Enter
    QPointer<QWidget> cancelButton;   // Esc
    std::vector<std::pair<int, QPointer<QWidget>>> tabStops;
    // The control that last took the focus within this window. The focus
    // coming back to it with the window (after a message box, a menu or
    // another program) is no new visit and raises no GotFocus.
    QPointer<QWidget> activeControl;
    // The control the program gave the focus to while the window was hidden:
    // it has the focus when the window shows.
    QPointer<QWidget> focusOnShow;
    // Where the window stood when it was hidden, until the program places
    // it anew: its frame as Qt has it and, on X11, its client area as X has
    // it (in the display's pixels).
    struct Place {
        QPoint frame;
        std::optional<QPoint> x11Client;
    };
    std::optional<Place> hiddenAt;

    void applyTabOrder();
    // Shows the window in its normal state, in front, active.
    void showWindow();
    // The notification area went away or came back: a window hidden to the
    // tray is kept in the task bar meanwhile.
    void trayGone();
    void trayBack();
    static FormImpl* fromHandle(Handle h);
};

struct ControlImpl {
    Control* control = nullptr;
    FormImpl* form = nullptr;
    QPointer<QWidget> widget;
    Color foreColor{};
    double points = 0;  // the font size the program set
    bool label = false;
    bool ownsFocusEvents = false;  // text boxes raise GotFocus themselves
    ControlEvents events{*this};
    // Controls this label names or describes to a screen reader.
    std::vector<std::pair<QPointer<QWidget>, bool /*name*/>> labelled;

    // Parents the widget to the form and routes its events.
    void attach(Form& owner, QWidget* w);
    // Called on every focus-in; raises GotFocus when the control is newly the
    // window's active control.
    void focusIn();
    // A label is never lower than one line of its font: a text's lower
    // strokes are never cut.
    void keepOneLine();
};

// Asleep, a timer waits for its wall-clock moment, if any, on a
// CLOCK_REALTIME timerfd that also wakes on a clock set.
struct TimerImpl : TimerState {
    QTimer qtimer;
    int wakeFd = -1;
    std::unique_ptr<QObject> wakeNotifier;
    std::unique_ptr<QObject> showWatch;
};

// The system's clock was set, its time zone changed or the machine resumed:
// every sleeping timer ticks now.
void noticeClockChange();

struct MenuImpl {
    QPointer<QMenu> menu;
    FormImpl* owner = nullptr;
};

struct MenuItemImpl {
    QPointer<QAction> action;
    std::string caption;
};

}  // namespace platform
