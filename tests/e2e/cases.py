"""Tockmere end to end, used as a person would use it: the steps the cases
share, the plain cases on jwm's desktop, and those where the tray or the
window manager goes away or there is no session bus. main.py says which
desktop each runs on and runs it."""

import os
import signal
import time

from Xlib import X, Xatom, display, error

from desktop import (COUNT_TITLE, DESKTOPS, MAIN_TITLE, NOTICE_TITLE, SCREEN, StepFailed, _read,
                     end_group, processes)


def check(condition, message):
    if not condition:
        raise StepFailed(message)


def reminder_box(d):
    """A box that tells a reminder, if one is up."""
    return next((w for w in d.program_windows() if w.name and w.name.endswith("啦!")), None)


def firing_box(d, title, timeout, counted=None):
    """Waits for the box that tells a reminder; another reminder's box first
    fails. `counted`: what the box before said, to tell where none comes."""
    def probe():
        box = reminder_box(d)
        if box is not None and box.name != title:
            raise StepFailed("waited for the reminder box %r, but %r came" % (title, box.name))
        return box
    return d.wait_for("the reminder box %r" % title, timeout, probe, failure=counted and (
        lambda: "no reminder box %r in %ds after a box said %r; on screen: %s"
        % (title, timeout, counted, d.on_screen())))


def main_is_active(d):
    main = d.titled(MAIN_TITLE)
    return main is not None and d.active_window() == main.id


def wait_main_ready(d):
    """The main window at start: shown and holding the keyboard focus."""
    main = d.wait_for("the main window %r" % MAIN_TITLE, 10, lambda: d.titled(MAIN_TITLE))
    d.wait_for("the main window to take the keyboard focus", 5, lambda: main_is_active(d))
    return main


def main_back(d, what):
    d.wait_for("the main window back " + what, 5, lambda: d.titled(MAIN_TITLE))


def type_reminder(d, hour, minute, message):
    """Overtypes hour and minute, tabs into the message field, types the
    message and presses Enter, which moves the focus to "确定"."""
    d.fill(hour, minute)
    d.type(message)
    d.key("Return")


def arm_one(d, minute, message):
    type_reminder(d, "9", minute, message)
    d.key("space")  # presses "确定"
    box = d.wait_for("the box that counts the reminders", 5, lambda: d.titled(COUNT_TITLE))
    check(d.titled(MAIN_TITLE) is None,
          "the main window is still shown after confirming: %s" % d.on_screen())
    d.answer_box(COUNT_TITLE, 1)
    return box


def exit_from_menu(d):
    """"退出" from the tray's menu: the program ends, its icon goes, and no
    process of it is left."""
    if d.row.tray == "sni":
        import sni
        sni.choose(d, "退出")
        gone = ("the item to leave the watcher", lambda: not sni.items(d))
    else:
        d.choose_exit()
        gone = ("the tray icon to disappear", lambda: d.tray_icon() is None)
    status = d.await_program_end(5)
    check(status == 0, "the program ended with status %s after 退出" % status)
    d.wait_for(gone[0], 3, gone[1], program_may_end=True)
    d.wait_for("every process of the program to end", 3, lambda: not d.session_processes(),
               program_may_end=True)


def choose_hide(d):
    """"隐藏" from the idle tray menu: the third item from the bottom."""
    d.open_menu()
    d.key("Up", "Up", "Up", "Return")
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)


def choose_restore(d):
    d.open_menu()
    d.key("Down", "Return")  # 恢复, the first one enabled while hidden
    d.menu_gone("after 恢复")
    main_back(d, "after 恢复")
    d.wait_for("the main window active after 恢复", 5, lambda: main_is_active(d))


def choose_advanced(d):
    d.open_menu()
    d.key("Down", "Down", "Return")  # 普通, 高级: advanced mode
    d.menu_gone("after choosing 高级")
    d.wait_for("the main window to have the keyboard focus after 高级", 3,
               lambda: main_is_active(d))


# The main window's client area at 96 dots per inch: the Windows build's,
# 2500 x 2500 twips less a Windows caption of 19 pixels and borders of 3.
MAIN_CLIENT = (161, 142)


def framed_main(d, when):
    """The main window within a moment: its client area the Windows build's,
    the window manager's frame round it centred on the screen. Returns
    (frame, client)."""
    seen = []
    size = (MAIN_CLIENT[0] * d.scale, MAIN_CLIENT[1] * d.scale)

    def probe():
        main = d.titled(MAIN_TITLE)
        framed = d.frame(main) if main is not None else None
        seen[:] = [framed, main and (main.width, main.height)]
        # The window read again: one that moved meanwhile is read anew.
        after = d.titled(MAIN_TITLE)
        if framed is None or after is None or (after.x, after.y) != (main.x, main.y):
            return None
        x, y, width, height = framed
        # Within a pixel at 100 %: Qt places windows in those.
        centred = (abs(x + width / 2 - SCREEN[0] / 2) <= d.scale
                   and abs(y + height / 2 - SCREEN[1] / 2) <= d.scale)
        client = (main.x, main.y, main.width, main.height)
        return (framed, client) if (main.width, main.height) == size and centred else None

    return d.wait_for("the framed main window", 2, probe, failure=lambda: (
        "the main window %s has the frame %s and a client area of %s, not %dx%d in a frame "
        "centred on %dx%d" % (when, seen[0], seen[1], size[0], size[1], SCREEN[0], SCREEN[1])))


def tray_tip(d):
    """The tool tip shown: a small override-redirect window of the program."""
    return next((w for w in d.program_windows() if w.override and w.toplevel
                 and 20 < w.width and w.height < 40 * d.scale), None)


def tip_stays_up(d, seconds=2):
    """The pointer rests on the tray icon: the icon's tip comes up within a
    moment and stays, the same window, for `seconds`. The pointer then
    leaves for the screen's corner."""
    x, y = d.wait_for("the tray icon", 5, d.tray_icon).centre
    d.xdotool("mousemove", x - 3, y, "mousemove", x, y)
    tip = d.wait_for("the tray icon's tip with the pointer on the icon", 4, lambda: tray_tip(d))
    d.stays_absent("with the pointer still on the icon, the tip %r gone or another" % tip,
                   seconds, lambda: (lambda now: now is None or now.id != tip.id)(tray_tip(d)))
    d.xdotool("mousemove", 0, 0)
    d.wait_for("the tip to go once the pointer left the icon", 3, lambda: tray_tip(d) is None)


def one_reminder(d):
    """(Its frame is hide_and_restore's, on every desktop.)"""
    d.start()
    wait_main_ready(d)
    d.wait_for("the main window to stand above other windows", 3,
               lambda: d.is_above(d.titled(MAIN_TITLE)))
    # The tip first: armed within a moment of the start, the window was now
    # and then shown again after 确定 (not yet understood).
    tip_stays_up(d)
    arm_one(d, "42", "开会")
    check(d.titled(MAIN_TITLE) is None, "the main window came back after the count box")
    icon = d.wait_for("the tray icon after arming", 2, d.tray_icon)
    # Only the release of the left button opens the notice window.
    d.xdotool("mousemove", icon.centre[0], icon.centre[1], "mousedown", 1)
    d.stays_absent("the notice window on the press of the button alone", 0.7,
                   lambda: d.titled(NOTICE_TITLE))
    d.xdotool("mouseup", 1)
    d.wait_for("the notice window after a left click on the tray icon", 3,
               lambda: d.titled(NOTICE_TITLE))

    box = firing_box(d, " 9:42:00啦!", 25)
    elapsed = time.monotonic() - d.app_started
    check(elapsed >= 9, "the reminder for 9:42 came %.1fs after a start at 9:41:50" % elapsed)
    check(d.titled(NOTICE_TITLE) is None, "the notice window is still open while the reminder is told")
    main = d.titled(MAIN_TITLE)
    check(main is not None, "the main window is not shown behind the reminder box")
    check(d.is_above(main), "the main window brought back is not kept above other windows")
    # The tray's menu opens and closes while the box waits, leaving it up.
    d.open_menu()
    d.key("Escape")
    d.menu_gone("on Escape")
    check(d.titled(box.name) is not None, "the reminder box went away with the menu")
    d.answer_box(box.name, 1)

    main_back(d, "for the next entry")
    check(d.tray_icon() is not None, "the tray icon is gone after the reminder")
    # Nothing is armed any more: a left click on the icon shows nothing.
    d.click_tray_icon(1)
    d.stays_absent("the notice window with nothing armed", 1.0, lambda: d.titled(NOTICE_TITLE))
    exit_from_menu(d)


def no_error_box(d, seconds):
    """No box of the entry's own checks comes up by itself."""
    d.stays_absent("an error box the user did not ask for", seconds, lambda: d.titled("出错啦!"))


def told_while_typing_the_next(d):
    """Two reminders for 9:42 taken with "还有" come due while a third, for
    9:43, is being typed: each is told in turn, the window behind the boxes,
    and the entry stays on screen to be finished. Confirmed, the third is
    told at its time, and none twice."""
    d.start()
    wait_main_ready(d)
    choose_advanced(d)
    for message in ("开会", "喝水"):
        type_reminder(d, "9", "42", message)
        d.key("Tab", "space")  # "还有"
    d.fill("9", "43")
    d.type("写报")
    for n in (1, 2):
        box = firing_box(d, " 9:42:00啦!", 25)
        check(d.titled(MAIN_TITLE) is not None,
              "the main window is not shown behind reminder %d" % n)
        d.answer_box(box.name, 1)
    d.stays_absent("the main window hiding in the middle of the entry", 1.0,
                   lambda: d.titled(MAIN_TITLE) is None)
    no_error_box(d, 0.5)
    d.wait_for("the main window to have the keyboard focus again", 3, lambda: main_is_active(d))
    d.type("告")
    d.key("Return", "space")  # on to "确定", and press it
    d.answer_box(COUNT_TITLE, 5)
    check(d.titled(MAIN_TITLE) is None, "the main window is shown after confirming")
    box = firing_box(d, " 9:43:00啦!", 70)
    elapsed = time.monotonic() - d.app_started
    check(elapsed >= 69, "the reminder for 9:43 came %.1fs after a start at 9:41:50" % elapsed)
    check(d.titled(MAIN_TITLE) is not None, "the main window is not shown behind reminder 3")
    d.answer_box(box.name, 1)
    main_back(d, "for the next entry")
    d.stays_absent("a reminder told twice", 1.5, lambda: reminder_box(d))
    exit_from_menu(d)


def start_again(d):
    """A second start ends at once, status 0, handing over to the one running."""
    status = d.start_again()
    check(status == 0, "the second start ended with status %s" % status)


def second_start_brings_back_hidden(d):
    """A program that was killed leaves nothing behind that stops the next,
    nor keeps a later start from reaching that one. Hidden with "隐藏", or
    minimised, its window comes back when the program is started again,
    ready for the keyboard; one program, one icon."""
    d.start()
    wait_main_ready(d)
    os.killpg(d.app.pid, signal.SIGKILL)
    d.app.wait(timeout=5)
    d.wait_for("the killed program's icon to go", 5, lambda: d.tray_icon() is None,
               program_may_end=True)
    d.start_program()
    wait_main_ready(d)
    choose_hide(d)
    start_again(d)
    main_back(d, "after a second start")
    d.wait_for("the main window to take the keyboard", 3, lambda: main_is_active(d))
    icons = d.tray_icons()
    check(len(icons) == 1, "tray icons after a second start: %r" % icons)
    # Back as "恢复" brings it: "隐藏" is offered again.
    choose_hide(d)
    start_again(d)
    main_back(d, "after a third start")
    # Minimised by the window manager, it comes back from the task bar too.
    d.xdotool("windowminimize", "%d" % d.titled(MAIN_TITLE).id)
    d.wait_for("the main window minimised", 5, lambda: d.titled(MAIN_TITLE) is None)
    start_again(d)
    main_back(d, "from minimised after a start")
    exit_from_menu(d)


def xembed_one_menu_per_right_click(d):
    """The icon also hands its menu to desktops that draw it themselves; on
    an X11 tray only the program's own pop-up opens, on the release."""
    d.start()
    wait_main_ready(d)
    icon = d.wait_for("the icon in jwm's tray", 5, d.tray_icon)
    for _ in range(2):
        d.xdotool("mousemove", icon.centre[0], icon.centre[1], "mousedown", 3)
        d.stays_absent("a menu on the press of the right button alone", 0.7, d.menu)
        d.xdotool("mouseup", 3)
        d.wait_for("the menu on the release of the right button", 3, d.menu)
        d.stays_absent("a second menu beside the first", 0.5,
                       lambda: d.menus() if len(d.menus()) > 1 else None)
        d.key("Escape")
        d.menu_gone("on Escape")
        d.stays_absent("a second menu after the first closed", 0.7, d.menu)
    exit_from_menu(d)


# ---- the tray or the window manager goes away ------------------------------


def client_state(d, title=MAIN_TITLE):
    """WM_STATE of the program's top-level window with this title, as the
    window manager keeps it (1 normal, 3 minimised), or None when no window
    manager lists it as a client or it is withdrawn."""
    clients = d.root.get_full_property(d.x.get_atom("_NET_CLIENT_LIST"), Xatom.WINDOW)
    for wid in (clients.value if clients is not None else []):
        window = d.x.create_resource_object("window", wid)
        try:  # a client of the list may be gone by now
            if d.xwin.name(window) == title:
                prop = window.get_full_property(d.x.get_atom("WM_STATE"),
                                                d.x.get_atom("WM_STATE"))
                return (int(prop.value[0]) if prop is not None else 0) or None
        except error.XError:
            continue
    return None


def replace_wm(d, row):
    """The window manager ends, and that of `row` starts in its place."""
    end_group(d.wm)
    d.row = DESKTOPS[row]
    d.start_wm()


def tray_goes_away_while_hidden(d):
    """The tray goes away while the window is hidden: the window waits
    minimised in jwm's task bar, and goes back to the tray when one is there
    again. On an X11 tray jwm gives way to a jwm with a task bar alone; on a
    StatusNotifierItem tray the panel dies, and the item is registered again
    with the next. On a display's second screen, the tray watched is that
    screen's."""
    import sni
    d.start()
    wait_main_ready(d)
    if d.row.tray == "sni":
        d.wait_for("the item registered with the watcher", 10, lambda: sni.item(d))
        sni.choose(d, "隐藏")
    else:
        d.open_menu()
        d.key("Down", "Down", "Down", "Return")  # 普通, 高级, 隐藏: the disabled ones passed over
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)
    check(client_state(d) is None, "the hidden window is still in the task bar")
    if d.row.tray == "sni":
        end_group(d.panel)
    else:
        replace_wm(d, "jwm_no_tray")
    d.wait_for("the window to wait minimised in the task bar once the tray is gone", 10,
               lambda: client_state(d) == 3)
    check(d.titled(MAIN_TITLE) is None, "the window came up in full, not minimised")
    if d.row.tray == "sni":
        d.start_tray()
        d.wait_for("the item registered again with the new panel", 10, lambda: sni.item(d))
    else:
        replace_wm(d, "jwm")
    d.wait_for("the window to leave the task bar once a tray is back", 10,
               lambda: client_state(d) is None,
               failure=lambda: "the window is still in the task bar once a tray is back "
               "(WM_STATE %s)" % client_state(d))
    if d.row.tray == "sni":
        sni.choose(d, "恢复")
        main_back(d, "after 恢复")
    else:
        choose_restore(d)
    exit_from_menu(d)


def wm_ends_holding_the_window(d):
    """A window manager that ends while the main window sits in a frame it
    no longer gives back takes the window down with the frame (the X server
    destroys a frame's children). The program makes its window anew, as it
    was: shown, with the keyboard focus, and the entry still answers."""
    d.start()
    main = wait_main_ready(d)
    d.x.create_resource_object("window", main.id).destroy()
    d.x.sync()
    d.wait_for("the main window made anew", 5,
               lambda: (w := d.titled(MAIN_TITLE)) is not None and w.id != main.id)
    d.wait_for("the window made anew to take the keyboard focus", 5, lambda: main_is_active(d))
    exit_from_menu(d)


def wm_ends_with_a_request_unanswered(d):
    """The program starts under a window manager that takes its request to
    map the main window and ends without answering it. When the next window
    manager announces itself, the window is on the screen, in its care."""
    d.start_display()
    deaf = display.Display(d.env["DISPLAY"])
    deaf.screen().root.change_attributes(event_mask=X.SubstructureRedirectMask)
    deaf.sync()

    def request_taken():
        while deaf.pending_events():
            if deaf.next_event().type == X.MapRequest:
                return True
        return False
    d.start_program()
    d.wait_for("the program to ask for its window to be mapped", 10, request_taken)
    deaf.close()
    d.start_wm()
    d.wait_for("the main window on the screen under the next window manager", 10,
               lambda: d.titled(MAIN_TITLE) is not None and client_state(d) == 1)
    exit_from_menu(d)


def processes_of_desktop(d):
    """Live processes started within this desktop (they carry its private
    XDG_RUNTIME_DIR), other than the X server and the window manager, with
    their command lines."""
    wanted = "XDG_RUNTIME_DIR=" + d.env["XDG_RUNTIME_DIR"]
    return ["%d (%s)" % (pid, _read("/proc/%d/cmdline" % pid).replace("\0", " ").strip())
            for pid in processes(lambda proc, _: wanted in _read(proc + "/environ").split("\0"))
            if pid not in (d.xvfb.pid, d.wm.pid, os.getpid())]


def no_session_bus(d):
    d.start()
    check("DBUS_SESSION_BUS_ADDRESS" not in d.env, "the desktop has a session bus")
    wait_main_ready(d)
    d.wait_for("the icon in jwm's tray", 5, d.tray_icon)
    exit_from_menu(d)
    d.wait_for("no process started by the program to be left", 3,
               lambda: not processes_of_desktop(d), program_may_end=True,
               failure=lambda: "processes are left after 退出: %s"
               % ", ".join(processes_of_desktop(d)))
