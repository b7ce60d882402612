"""Tockmere under jwm and other window managers and X11 notification areas:
openbox with tint2, i3 with i3bar's, mutter (GNOME's, on X11), xfwm4
(Xfce's) and kwin_x11 (Plasma's) with tint2's, fluxbox with its own. Their
frames differ (a title bar of another height, borders or none), and so do
the ways they place a window that is shown again. Read as a screen reader reads it: where the keyboard focus is, and
where each control lies on the screen.

The cases are run by main.py.
"""

import collections
import os
import time

from Xlib import X, Xatom

from a11y import ReaderDesktop, field_text
from cases import (COUNT_TITLE, check, choose_hide, exit_from_menu, firing_box, framed_main,
                   main_is_active, tip_stays_up, type_reminder)
from desktop import MAIN_TITLE, StepFailed

# Below the buttons the design leaves 80 twips: 5 pixels at 96 dots per
# inch, one of which may go to rounding.
BUTTON_MARGIN = 4

I3_CONFIG = """font pango:WenQuanYi Zen Hei 10
bar {
    status_command true
    tray_output primary
    position bottom
}
"""


def text_width(font, text):
    """The width of `text` drawn in `font` (a Pango description) at 96 dots
    per inch, as a window manager that draws with Pango draws it."""
    import gi
    gi.require_version("Pango", "1.0")
    gi.require_version("PangoCairo", "1.0")
    from gi.repository import Pango, PangoCairo
    layout = Pango.Layout.new(PangoCairo.FontMap.get_default().create_context())
    layout.set_font_description(Pango.FontDescription.from_string(font))
    layout.set_text(text, -1)
    return layout.get_pixel_size()[0]


def wm_manages(d):
    """A window manager has said it manages the screen."""
    check_atom = d.x.intern_atom("_NET_SUPPORTING_WM_CHECK")
    return d.root.get_full_property(check_atom, 0) is not None


class OpenboxDesktop(ReaderDesktop):
    """openbox as window manager, tint2 (its stock settings) as panel and tray."""

    # Its stock theme's title font, and its title bar: the window's icon,
    # the title, then three buttons (NLIMC).
    TITLE_FONT = "sans bold 8"
    TITLE_BUTTONS = 4

    def title_room(self, title, bar):
        """The width openbox needs to show `title` whole in a title bar `bar`
        pixels high: the text, and its icon and buttons about as wide as
        the bar is high."""
        return text_width(self.TITLE_FONT, title) + self.TITLE_BUTTONS * bar

    def start_wm(self):
        self.spawn(["openbox", "--config-file", "/etc/xdg/openbox/rc.xml"])
        self.spawn(["tint2", "-c", "/etc/xdg/tint2/tint2rc"])
        self.wait_for("tint2 to own the tray selection", 10, self.has_xembed_tray)


class I3Desktop(ReaderDesktop):
    """i3, a tiling window manager that floats a window of fixed size, with
    i3bar's tray at the bottom."""

    def start_wm(self):
        config = os.path.join(self.work, "i3config")
        with open(config, "w") as f:
            f.write(I3_CONFIG)
        self.spawn(["i3", "-c", config])
        self.wait_for("i3bar to own the tray selection", 10, self.has_xembed_tray)


class MutterDesktop(ReaderDesktop):
    """mutter, GNOME's window manager, on X11 (a title bar without side
    borders, and invisible borders to grab), with tint2's tray."""

    def start_wm(self):
        self.spawn(["mutter", "--x11", "--replace", "--sm-disable"])
        self.wait_for("mutter to manage the screen", 15, lambda: wm_manages(self))
        self.spawn(["tint2", "-c", "/etc/xdg/tint2/tint2rc"])
        self.wait_for("tint2 to own the tray selection", 10, self.has_xembed_tray)


class XfwmDesktop(ReaderDesktop):
    """xfwm4, Xfce's window manager (its stock theme, no compositor), with
    tint2's tray."""

    def start_wm(self):
        self.spawn(["xfwm4", "--compositor=off", "--sm-client-disable"])
        self.wait_for("xfwm4 to manage the screen", 15, lambda: wm_manages(self))
        self.spawn(["tint2", "-c", "/etc/xdg/tint2/tint2rc"])
        self.wait_for("tint2 to own the tray selection", 10, self.has_xembed_tray)


class KwinDesktop(ReaderDesktop):
    """kwin_x11, Plasma's window manager (its Breeze title bar, the tallest
    here; no compositor), with tint2's tray."""

    def start_wm(self):
        self.spawn(["kwin_x11", "--replace"], env=dict(self.env, KWIN_COMPOSE="N"))
        self.wait_for("kwin to manage the screen", 20, lambda: wm_manages(self))
        self.spawn(["tint2", "-c", "/etc/xdg/tint2/tint2rc"])
        self.wait_for("tint2 to own the tray selection", 10, self.has_xembed_tray)
        self.least_client_height = self.measure_least_client_height()

    def measure_least_client_height(self):
        """The height kwin gives a framed window that asks to be 1 pixel
        high: Breeze keeps its client at least as high as the title bar."""
        probe = self.root.create_window(0, 0, 60, 60, 0, X.CopyFromParent)
        probe.set_wm_name("probe")
        probe.map()
        self.x.sync()
        self.wait_for("the probe window framed", 5,
                      lambda: probe.get_full_property(
                          self.x.intern_atom("_NET_FRAME_EXTENTS"), 0) is not None)
        probe.configure(height=1)
        self.x.sync()
        height = self.wait_for("kwin to answer the probe's new height", 5,
                               lambda: probe.get_geometry().height != 60 and
                               probe.get_geometry().height)
        probe.destroy()
        self.x.sync()
        return height


class FluxboxDesktop(ReaderDesktop):
    """fluxbox, its own notification area in its toolbar."""

    def start_wm(self):
        home = os.path.join(self.work, "fluxbox")
        os.makedirs(home, exist_ok=True)
        self.spawn(["fluxbox", "-no-slit", "-rc", os.path.join(home, "init")],
                   env=dict(self.env, HOME=self.work))
        self.wait_for("fluxbox's tray to own the tray selection", 10, self.has_xembed_tray)


class FluxboxDesktopAt200(FluxboxDesktop):
    """fluxbox on a screen set to 200 %: Xft.dpi 192 in the X resources,
    where Qt reads the desktop's scale."""

    scale = 2

    def start_wm(self):
        self.root.change_property(self.x.intern_atom("RESOURCE_MANAGER"), Xatom.STRING, 8,
                                  b"Xft.dpi:\t192\n")
        self.x.sync()
        super().start_wm()


Box = collections.namedtuple("Box", "x y width height")


def inside(e, x, y, width, height):
    return e.x >= x and e.y >= y and e.x + e.width <= x + width and e.y + e.height <= y + height


def holds_every_control(d, client, when):
    """Every control of the main window, as a screen reader finds it on the
    screen (in the screen's pixels at any scale), lies whole in the client
    area X gives the window; the buttons with the design's margin below
    them. Each character of a label lies in the label, where a review cursor
    finds it."""
    window = d.wait_for("the main window on the accessibility bus", 3,
                        lambda: d.window(MAIN_TITLE))
    cx, cy, cw, ch = client
    buttons = 0

    def walk(obj):
        nonlocal buttons
        for child in obj:
            if child is None or not d.has(child, "showing"):
                continue
            e = child.queryComponent().getExtents(d.atspi.DESKTOP_COORDS)
            what = "%s %r at %dx%d+%d+%d %s" % (d.role(child), child.name, e.width, e.height,
                                               e.x, e.y, when)
            check(inside(e, cx, cy, cw, ch),
                  "the %s is not whole in the client area %dx%d+%d+%d" % (what, cw, ch, cx, cy))
            if d.role(child) == "label":
                text = child.queryText()
                for i in range(text.characterCount):
                    c = Box(*text.getCharacterExtents(i, d.atspi.DESKTOP_COORDS))
                    check(c.width > 0 and c.height > 0 and inside(c, e.x, e.y, e.width, e.height),
                          "character %d of the %s is at %dx%d+%d+%d"
                          % (i, what, c.width, c.height, c.x, c.y))
            if d.role(child) == "push button":
                buttons += 1
                check(e.y + e.height + BUTTON_MARGIN <= cy + ch,
                      "the %s has less than %d pixels below it" % (what, BUTTON_MARGIN))
            walk(child)

    walk(window)
    check(buttons == 2, "%d buttons found in the main window %s" % (buttons, when))


def title_whole(d, box):
    """Where the desktop's title font is known: the box is wide enough for
    its title to be drawn whole beside the frame's icon and buttons."""
    if not hasattr(d, "title_room"):
        return
    frame = d.frame(box)
    bar = box.y - frame[1]
    needed = d.title_room(box.name, bar)
    check(box.width >= needed, "the box %r is %d pixels wide; its title needs %d"
          % (box.name, box.width, needed))


def told_and_back(d, at_start):
    """A reminder told: the window shows its title bar alone under the box,
    then comes back as large, placed as at start, every control whole. Both
    boxes are wide enough for their titles."""
    type_reminder(d, "9", "42", "看")
    d.key("space")  # 确定
    title_whole(d, d.wait_for("the count box", 5, lambda: d.titled(COUNT_TITLE)))
    d.answer_box(COUNT_TITLE, 5)
    box = firing_box(d, " 9:42:00啦!", 25)
    title_whole(d, box)
    # The window's title bar alone, but for what a window manager keeps of a
    # window however small it asks to be.
    collapsed = d.titled(MAIN_TITLE)
    least = getattr(d, "least_client_height", 1)
    check(collapsed is not None and collapsed.height <= max(2, least),
          "the main window behind the reminder's box is %r, not its title bar alone" % collapsed)
    d.answer_box(box.name, 1)
    d.wait_for("the main window back after the reminder", 3, lambda: d.titled(MAIN_TITLE))
    again = framed_main(d, "after the reminder")
    check(again[0] == at_start[0], "the frame is %s after the reminder, %s at start"
          % (again[0], at_start[0]))
    holds_every_control(d, again[1], "after the reminder")
    d.await_focus("the hour field after the reminder", "text", "时")


def hide_and_restore_keep_focus_and_place(d, told=False):
    """The window holds its design whole in a frame centred on the screen,
    at start and (`told`) after a reminder; the tray icon's tip stays up
    under the pointer. "隐藏" and "恢复" from the tray, three times: the
    window comes back with its frame where it was and as large, the focus in
    the field it was in, and typing goes on there."""
    d.start()
    d.wait_for("the program on the accessibility bus", 10, d.application)
    d.await_focus("the hour field at start", "text", "时")
    at_start = framed_main(d, "at start")
    holds_every_control(d, at_start[1], "at start")
    tip_stays_up(d)
    if told:
        told_and_back(d, at_start)
    placed = d.frame(d.titled(MAIN_TITLE))
    d.key("Tab")
    minute = d.await_focus("the minute field", "text", "分")
    for cycle in range(1, 4):
        choose_hide(d)
        d.wait_for("the menu to close", 3, lambda: d.menu() is None)
        time.sleep(0.3)  # a person's next click: the closed menu's grab is gone
        d.open_menu()
        d.key("Down", "Return")  # 恢复, the first one enabled while hidden
        d.wait_for("the main window back after 恢复", 5, lambda: d.titled(MAIN_TITLE))
        d.wait_for("the main window active after 恢复", 5, lambda: main_is_active(d))
        try:
            d.wait_for("the frame back in its place", 2,
                       lambda: d.frame(d.titled(MAIN_TITLE)) == placed)
        except StepFailed:
            raise StepFailed("after hide and restore %d the frame is %s, not %s"
                             % (cycle, d.frame(d.titled(MAIN_TITLE)), placed))
        d.await_focus("the minute field after hide and restore %d" % cycle, "text", "分")
    d.key("End", "BackSpace", "BackSpace")
    d.type("5")
    d.wait_for("the digit typed in the minute field", 3, lambda: field_text(d, minute) == "5")
    exit_from_menu(d)



def hide_and_restore(d):
    hide_and_restore_keep_focus_and_place(d)


def told_then_hide_and_restore(d):
    hide_and_restore_keep_focus_and_place(d, told=True)
