"""Tockmere under other window managers and X11 notification areas than
jwm's: openbox with tint2's tray, i3 with i3bar's, mutter. Their frames differ (a
title bar of another height, borders or none), and so do the ways they place
a window that is shown again. mutter (GNOME's, on X11) has tint2's tray. Read as a screen reader reads it, for where
the keyboard focus is.

usage: wms.py PROGRAM CASE [PID_FILE]
Prints nothing and exits 0 when the case passes; prints the step that failed
and exits 1 otherwise.
"""

import os
import sys
import time

from a11y import ReaderDesktop, field_text
from cases import choose_hide, exit_from_menu, framed_main, main_is_active
from desktop import MAIN_TITLE, StepFailed, run_case

I3_CONFIG = """font pango:WenQuanYi Zen Hei 10
bar {
    status_command true
    tray_output primary
    position bottom
}
"""


class OpenboxDesktop(ReaderDesktop):
    """openbox as window manager, tint2 (its stock settings) as panel and tray."""

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
        self.wait_for("mutter to manage the screen", 15, self._managed)
        self.spawn(["tint2", "-c", "/etc/xdg/tint2/tint2rc"])
        self.wait_for("tint2 to own the tray selection", 10, self.has_xembed_tray)

    def _managed(self):
        check_atom = self.x.intern_atom("_NET_SUPPORTING_WM_CHECK")
        return self.root.get_full_property(check_atom, 0) is not None


def hide_and_restore_keep_focus_and_place(d):
    """"隐藏" and "恢复" from the tray, three times: the window comes back
    with its frame where it was and as large, the focus in the field it was
    in, and typing goes on there."""
    d.start()
    d.wait_for("the program on the accessibility bus", 10, d.application)
    d.await_focus("the hour field at start", "text", "时")
    framed_main(d, "at start")
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


CASES = {
    "hide_and_restore_jwm": (ReaderDesktop, "2026-12-06 09:41:30"),
    "hide_and_restore_openbox": (OpenboxDesktop, "2026-12-06 09:41:30"),
    "hide_and_restore_i3": (I3Desktop, "2026-12-06 09:41:30"),
    "hide_and_restore_mutter": (MutterDesktop, "2026-12-06 09:41:30"),
}


def main(argv):
    if len(argv) < 3 or argv[2] not in CASES:
        sys.stderr.write("usage: wms.py PROGRAM CASE [PID_FILE]; cases: %s\n" % " ".join(CASES))
        return 2
    kind, start_time = CASES[argv[2]]
    d = kind(argv[1], start_time, argv[3] if len(argv) > 3 else None)
    return run_case(hide_and_restore_keep_focus_and_place, d)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
