// What the behaviour tests use to act as a person would and to watch what the
// program shows. Linked into the tests only, never into the program.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/declared.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/timer.h"
#include "platform/types.h"

namespace platform::testing {

// Called before the application is made: where the backend can, the
// windows are real but drawn off screen, unless the run says otherwise.
void useTestDisplay();

// A message box while it is on screen.
struct ShownBox {
    std::string prompt;
    std::string title;
    std::vector<std::string> buttons;  // captions, left to right
    bool hasIcon = false;
    bool operator==(const ShownBox&) const = default;
};

// Called while each message box is open, from inside its event loop; gives
// the caption of the button to press. Without a watcher boxes wait for a
// person, so every test sets one.
using BoxWatcher = std::function<std::string(const ShownBox&)>;
void watchMessageBoxes(BoxWatcher watcher);
// Called where a reminder would sound, in place of the sound.
void watchSounds(std::function<void()> watcher);

// Replaces the local clock; an empty function gives the system clock back.
void setClock(std::function<LocalTime()> clock);

// Stops every timer from ticking by itself; a held timer ticks on fireTimer.
void holdTimers(bool hold);
void fireTimer(Timer& timer);
// How long after it was last armed the timer's next tick comes, as the
// backend armed it with the system; none while timers are held, or while it
// sleeps with no moment to wake at.
std::optional<std::chrono::milliseconds> armedTick(const Timer& timer);
// The system tells the program that its clock was set.
void announceClockSet();

// Lets queued events (focus changes, repaints) run.
void processEvents();
// Whether `holds` comes true within two seconds, the events running: what a
// window system does from its own message loop (Wine's foreground follows
// X's focus a moment later), as a person sees it.
bool eventually(const std::function<bool()>& holds);
// Runs `call` once from the event loop that runs next: a modal window's own
// loop where one is open.
void runFromEventLoop(std::function<void()> call);

// Keyboard: each character of the text as a key press carrying it; keys by code.
void typeText(Control& control, const std::string& text);
void pressKey(Control& control, int keyCode, int shift = 0);
// An input method committing text to the box.
void commitInputMethod(TextBox& box, const std::string& text);
// Text put in by the context menu's paste. (On Linux a drop enters the box
// by the same way; on Windows the boxes take no dropped text.)
void paste(TextBox& box, const std::string& text);

// The text a label draws now (its caption may wait for its window to show).
std::string labelShows(const Label& label);

// The window moved to a monitor of `dpi` dots per inch, as the system tells
// a window that handles the change itself: the new scale, and the window's
// rectangle grown or shrunk by it about its top-left corner. False where the
// toolkit rescales by itself and tells the program nothing.
bool moveToMonitorOfDpi(Form& form, int dpi);

void click(CommandButton& button);
void mousePress(Control& control, int button);
void mousePress(Form& form, int button);
void chooseMenuItem(MenuItem& item);
// The close box in the window's title bar.
void closeByCloseBox(Form& form);
// Another program's window comes to the front, active, and goes away again.
void bringAnotherWindowForward();
// The window's button in the task bar clicked while the window stands there
// minimised: the window comes back in its normal state.
void restoreFromTaskbar(Form& form);

// A pop-up menu while it is open: each item's caption, enabled state and
// check mark. The watcher gives the caption of the item to choose, or "" to
// close the menu without a choice.
struct ShownMenuItem {
    std::string caption;
    bool enabled = true;
    bool checked = false;
    bool operator==(const ShownMenuItem&) const = default;
};
using MenuWatcher = std::function<std::string(const std::vector<ShownMenuItem>&)>;
void watchMenus(MenuWatcher watcher);

// The notification area: whether the desktop has one, and the icon a form
// owns (its tip; none when there is no icon). Clicks go the way the shell
// sends them: the button's press, then its release.
void setTrayAvailable(bool available);
std::optional<std::string> trayTip(const Form& owner);
void trayClick(const Form& owner, int button);
void trayDoubleClick(const Form& owner);
// Windows only: the notification area at `dpi` dots per inch in place of
// the system's (0 gives it back), as when the scale of the monitor that
// holds it changes; the system then tells the program's windows.
bool setTrayDpi(int dpi);
// Windows only: the picture the notification area was given for the icon a
// form owns, 0xAARRGGBB pixels row by row; none when there is no icon.
struct TrayPicture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;
};
std::optional<TrayPicture> trayPicture(const Form& owner);
// The picture a notification area that draws the icon `size` pixels wide
// (16 at 100 %, 32 at 200 %) draws the icon a form owns with. None when
// there is no icon.
std::optional<TrayPicture> trayPictureAt(const Form& owner, int size);
// Whether the program notices the notification area going away and coming
// back while it runs (setTrayAvailable then stands for that).
bool trayLossNoticed();
// Every call the program made to Shell_NotifyIconA, with the record as it
// was handed over.
struct NotifyCall {
    std::uint32_t message;
    NOTIFYICONDATAA data;
};
std::vector<NotifyCall> notifyCalls();
// Windows only: the message the shell sends every window when it starts
// again (the notification area is new and empty).
std::optional<std::uint32_t> shellRestartMessage();
// Any message to a form's window procedure, as the system would send it.
std::intptr_t sendMessage(const Form& form, std::uint32_t message, std::intptr_t wParam,
                          std::intptr_t lParam);

// The registry the About window reads: a value under HKEY_LOCAL_MACHINE, its
// data as the system keeps it (ANSI text with or without its NUL, or the
// four bytes of a number); clearRegistry leaves no key at all.
void setRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                      const std::string& data);
void clearRegistry();
// Whether an open of a key under HKEY_LOCAL_MACHINE that asks for rights to
// change it succeeds, as for an elevated user, or fails with
// ERROR_ACCESS_DENIED (5), as for everyone else.
void setLocalMachineWritable(bool writable);

// Lays out windows made from now on at this many dots per inch instead of
// the screen's (0 gives the screen's back): twips and font sizes alike.
void setDpi(int dpi);

// A control's own text (a label's or button's caption, a box's contents),
// laid out as the control lays it out and in its own font, and the room
// the control has for it, inside borders and button edges. Pixels.
struct TextFit {
    int width = 0;   // the widest line
    int height = 0;  // all lines
    int lines = 0;
    int roomWidth = 0;
    int roomHeight = 0;
};
TextFit textFit(const Control& control);
// How far across its control the text before `prefix`'s end is drawn: the
// width of `prefix` in the control's font. Pixels.
int textWidth(const Control& control, const std::string& prefix);
// Where a control lies in its window's client area. Pixels.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
};
PixelRect pixelRect(const Control& control);

// Whether the window is the foreground (active) window now; and whether a
// control holds the system's keyboard focus itself, beyond its
// window remembering it as the control to give the focus to.
bool isForeground(const Form& form);
bool holdsKeyboardFocus(const Control& control);

// The window's client area as it is drawn, one 0xRRGGBB value a pixel,
// row by row.
struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};
Pixels capture(const Form& form);

// What a screen reader reads of a control, asked through the system's own
// accessibility interface (Qt's accessibility tree; MSAA on Windows).
std::string accessibleName(const Control& control);
std::string accessibleDescription(const Control& control);
std::string accessibleDescription(const Form& form);
// What the system tells screen readers of controls' names and descriptions
// changing, from listenToNameChanges until nameChangesHeard, which stops
// listening: each change as the new text, read from the object the event
// names. False where the toolkit's bridge tells the reader itself (the e2e
// cases hear what Orca says there).
bool listenToNameChanges();
std::vector<std::string> nameChangesHeard();

// The places where the program's one instance is claimed are named after
// this key, in place of the user's session.
void useInstanceKey(const std::string& key);
// The program running under that key unreachable by a later start, as in its
// start-up before it listens, or reachable again.
void setInstanceReachable(bool reachable);
// How many times a later start has found the running program out of reach.
int firstUnreached();

// Called before the application is made: what the run keeps for the
// session (its single instance's lock and socket, the toolkit's runtime
// files) goes to a folder of its own, removed when the run ends. Nothing to
// do where the system keeps no such files.
void usePrivateFolders();
// The memory the process holds for itself (private, not of files), bytes.
std::size_t memoryInUse();
// The system asks the program to end (on Windows the session ends; on
// Linux a SIGTERM), and the program's event loop takes the request.
void systemEndsProgram();

// Keys a person types now: they go wherever the system sends them, to the
// control with the keyboard focus in the active window, if any.
void typeWhereTheFocusIs(const std::string& text);
// Whether the active window is one of the program's message boxes.
bool aBoxIsActive();
// The active message box's outer width, and the width its title needs in
// a caption of the system's (its text in the caption font, the frame's
// icon and buttons); none where a window manager draws the frame.
struct BoxTitleFit {
    int boxWidth = 0, titleNeeds = 0;
};
std::optional<BoxTitleFit> activeBoxTitleFit();
// Whether every open message box lies above the form in the stacking order;
// none where the display keeps no stacking order to read.
std::optional<bool> boxesAbove(const Form& form);

}  // namespace platform::testing
