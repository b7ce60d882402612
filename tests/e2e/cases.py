"""Tockmere end to end: the built program on a virtual desktop, used as a person
would use it. Each case starts its own X server, window manager and program.

The cases are run by main.py.
"""

import os
import signal
import time

from desktop import MAIN_TITLE, NOTICE_TITLE, SCREEN, StepFailed

COUNT_TITLE = "Tockmere"


def check(condition, message):
    if not condition:
        raise StepFailed(message)


def firing_box(d, title, timeout):
    """Waits for the box that tells a reminder; any other reminder box that
    shows up first is a failure."""

    def probe():
        for w in d.program_windows():
            if w.name == title:
                return w
            if w.name and w.name.endswith("啦!"):
                raise StepFailed("waited for the reminder box %r, but %r came" % (title, w.name))
        return None

    return d.wait_for("the reminder box %r" % title, timeout, probe)


def main_is_active(d):
    main = d.titled(MAIN_TITLE)
    return main is not None and d.active_window() == main.id


def wait_main_ready(d):
    """The main window at start: shown and holding the keyboard focus."""
    main = d.wait_for("the main window %r" % MAIN_TITLE, 10, lambda: d.titled(MAIN_TITLE))
    d.wait_for("the main window to take the keyboard focus", 5, lambda: main_is_active(d))
    return main


def type_reminder(d, hour, minute, message):
    """Overtypes hour and minute, tabs into the message field, types the
    message and presses Enter, which moves the focus to "确定"."""
    d.type(hour)
    d.key("Tab")
    d.type(minute)
    d.key("Tab")
    d.type(message)
    d.key("Return")


def arm_one(d, minute, message):
    type_reminder(d, "9", minute, message)
    d.key("space")  # presses "确定"
    box = d.wait_for("the box %r that counts the reminders" % COUNT_TITLE, 5,
                     lambda: d.titled(COUNT_TITLE))
    check(d.titled(MAIN_TITLE) is None,
          "the main window is still shown after confirming: %s" % d.visible_program_windows())
    d.answer_box(COUNT_TITLE, 1)
    return box


def exit_from_menu(d):
    """"退出" from the tray menu: the program ends, its icon goes, and no
    process of it is left."""
    d.choose_exit()
    status = d.await_program_end(5)
    check(status == 0, "the program ended with status %s after 退出" % status)
    d.wait_for("the tray icon to disappear", 3, lambda: d.tray_icon() is None,
               program_may_end=True)
    d.wait_for("every process of the program to end", 3,
               lambda: not d.session_processes(), program_may_end=True)


# The main window's client area at 96 dots per inch: the Windows build's,
# 2500 x 2500 twips less a Windows caption of 19 pixels and borders of 3.
MAIN_CLIENT = (161, 142)


def framed_main(d, when):
    """The main window within a moment: its client area the Windows build's,
    the window manager's frame round it centred on the screen. Returns
    (frame, client)."""
    seen = []
    client_size = (MAIN_CLIENT[0] * d.scale, MAIN_CLIENT[1] * d.scale)

    def probe():
        main = d.titled(MAIN_TITLE)
        framed = d.frame(main) if main is not None else None
        seen[:] = [framed, main and (main.width, main.height)]
        if framed is None:
            return None
        x, y, width, height = framed
        cx, cy = x + width / 2, y + height / 2
        right_size = (main.width, main.height) == client_size
        # Within a pixel at 100 %: Qt places windows in those.
        centred = abs(cx - SCREEN[0] / 2) <= d.scale and abs(cy - SCREEN[1] / 2) <= d.scale
        client = (main.x, main.y, main.width, main.height)
        return (framed, client) if right_size and centred else None

    try:
        return d.wait_for("the framed main window", 2, probe)
    except StepFailed:
        raise StepFailed("the main window %s has the frame %s and a client area of %s, not "
                         "%dx%d in a frame centred on %dx%d"
                         % (when, seen[0], seen[1], client_size[0], client_size[1],
                            SCREEN[0], SCREEN[1]))


def tray_tip(d):
    """The tool tip shown: a small override-redirect window of the program."""
    for w in d.program_windows():
        if w.override and w.toplevel and 20 < w.width and w.height < 40 * d.scale:
            return w
    return None


def tip_stays_up(d, seconds=2):
    """The pointer rests on the tray icon: the icon's tip comes up within a
    moment and stays, the same window, for `seconds`. The pointer then
    leaves for the screen's corner."""
    icon = d.wait_for("the tray icon", 5, d.tray_icon)
    x, y = icon.centre
    d.xdotool("mousemove", x - 3, y)
    time.sleep(0.1)
    d.xdotool("mousemove", x, y)
    tip = d.wait_for("the tray icon's tip with the pointer on the icon", 4, lambda: tray_tip(d))
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        now = tray_tip(d)
        if now is None or now.id != tip.id:
            raise StepFailed("the tip %r went after %.2fs with the pointer still on the icon%s"
                             % (tip, seconds - (until - time.monotonic()),
                                "; another came" if now is not None else ""))
        time.sleep(0.05)
    d.xdotool("mousemove", 0, 0)
    d.wait_for("the tip to go once the pointer left the icon", 3, lambda: tray_tip(d) is None)


def one_reminder(d):
    d.start()
    wait_main_ready(d)
    at_start = framed_main(d, "at start")
    tip_stays_up(d)

    def centred_and_above():
        main = d.titled(MAIN_TITLE)
        if main is None:
            return None
        cx, cy = main.centre
        centred = abs(cx - SCREEN[0] / 2) <= 20 and abs(cy - SCREEN[1] / 2) <= 20
        return main if centred and d.is_above(main) else None

    d.wait_for("the main window to stand centred and above other windows", 3, centred_and_above)

    arm_one(d, "42", "开会")
    check(d.titled(MAIN_TITLE) is None, "the main window came back after the count box")
    icon = d.wait_for("the tray icon after arming", 2, d.tray_icon)

    # Only the release of the left button opens the notice window.
    d.xdotool("mousemove", icon.centre[0], icon.centre[1], "mousedown", 1)
    d.stays_absent("the notice window on the press of the button alone", 0.7,
                   lambda: d.titled(NOTICE_TITLE))
    d.xdotool("mouseup", 1)
    d.wait_for("the notice window %r after a left click on the tray icon" % NOTICE_TITLE, 3,
               lambda: d.titled(NOTICE_TITLE))

    box = firing_box(d, " 9:42:00啦!", 25)
    elapsed = time.monotonic() - d.app_started
    check(elapsed >= 9, "the reminder for 9:42 came %.1fs after a start at 9:41:50" % elapsed)
    check(d.titled(NOTICE_TITLE) is None, "the notice window is still open while the reminder is told")
    main = d.titled(MAIN_TITLE)
    check(main is not None, "the main window is not shown behind the reminder box")
    check(d.is_above(main), "the main window brought back is not kept above other windows")
    d.answer_box(box.name, 1)

    d.wait_for("the main window to be back for the next entry", 3, lambda: d.titled(MAIN_TITLE))
    again = framed_main(d, "after the reminder")
    check(again == at_start, "the main window is %s after the reminder, %s at start (frame, "
          "client area)" % (again, at_start))
    check(d.tray_icon() is not None, "the tray icon is gone after the reminder")
    # Nothing is armed any more: a left click on the icon shows nothing.
    d.click_tray_icon(1)
    d.stays_absent("the notice window with nothing armed", 1.0, lambda: d.titled(NOTICE_TITLE))

    exit_from_menu(d)


def three_reminders(d):
    d.start()
    wait_main_ready(d)
    choose_advanced(d)

    # Entered out of order: the confirm command sorts them by time.
    type_reminder(d, "9", "43", "买菜")
    d.key("Tab", "space")  # from "确定" to "还有", and press it
    type_reminder(d, "9", "42", "开会")
    d.key("Tab", "space")
    type_reminder(d, "9", "42", "喝水")
    d.key("space")  # "确定" arms all three
    d.wait_for("the box %r after arming three" % COUNT_TITLE, 5, lambda: d.titled(COUNT_TITLE))
    check(d.titled(MAIN_TITLE) is None, "the main window is still shown after arming three")
    d.answer_box(COUNT_TITLE, 1)

    for n in (1, 2):
        box = firing_box(d, " 9:42:00啦!", 30)
        check(d.titled(MAIN_TITLE) is not None,
              "the main window is not shown behind reminder %d" % n)
        d.answer_box(box.name, 1)
    d.wait_for("the main window to hide again while one reminder is left", 3,
               lambda: d.titled(MAIN_TITLE) is None)
    check(d.tray_icon() is not None, "the tray icon is gone while one reminder is left")

    box = firing_box(d, " 9:43:00啦!", 70)
    elapsed = time.monotonic() - d.app_started
    check(elapsed >= 74, "the reminder for 9:43 came %.1fs after a start at 9:41:45" % elapsed)
    check(d.titled(MAIN_TITLE) is not None, "the main window is not shown behind reminder 3")
    d.answer_box(box.name, 1)
    d.wait_for("the main window to be back for the next entry", 3, lambda: d.titled(MAIN_TITLE))

    exit_from_menu(d)


def menu_while_box_open(d):
    d.start()
    wait_main_ready(d)
    arm_one(d, "42", "开会")

    box = firing_box(d, " 9:42:00啦!", 25)
    d.click_tray_icon(3)
    d.wait_for("the pop-up menu after a right click on the tray icon while the reminder box is open",
               3, d.menu)
    time.sleep(0.2)
    d.key("Escape")
    d.wait_for("the menu to close on Escape", 3, lambda: d.menu() is None)
    check(d.titled(box.name) is not None, "the reminder box went away with the menu")
    d.answer_box(box.name, 1)
    d.wait_for("the main window to be back for the next entry", 3, lambda: d.titled(MAIN_TITLE))

    exit_from_menu(d)


def no_error_box(d, seconds):
    """No box of the entry's own checks comes up by itself."""
    d.stays_absent("an error box the user did not ask for", seconds,
                   lambda: d.titled("出错啦!"))


def choose_hide(d):
    """"隐藏" from the idle tray menu: the third item from the bottom."""
    d.open_menu()
    d.key("Up", "Up", "Up", "Return")
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)


def choose_advanced(d):
    d.open_menu()
    d.key("Down", "Down", "Return")  # 普通, 高级: advanced mode
    d.wait_for("the menu to close after choosing 高级", 3, lambda: d.menu() is None)
    d.wait_for("the main window to have the keyboard focus after 高级", 3,
               lambda: main_is_active(d))


def told_while_typing_the_next(d):
    """Reminder 1 taken with "还有" comes due while reminder 2 is being typed:
    it is told, and the entry stays on screen to be finished."""
    d.start()
    wait_main_ready(d)
    choose_advanced(d)
    type_reminder(d, "9", "42", "开会")
    d.key("Tab", "space")  # "还有"
    d.type("9")
    d.key("Tab")
    d.type("43")
    d.key("Tab")
    d.type("写报")

    box = firing_box(d, " 9:42:00啦!", 25)
    d.answer_box(box.name, 1)
    d.stays_absent("the main window hiding in the middle of the entry", 1.0,
                   lambda: d.titled(MAIN_TITLE) is None)
    no_error_box(d, 0.5)
    d.wait_for("the main window to have the keyboard focus again", 3, lambda: main_is_active(d))

    d.type("告")
    d.key("Return", "space")  # on to "确定", and press it
    d.wait_for("the box %r after confirming" % COUNT_TITLE, 5, lambda: d.titled(COUNT_TITLE))
    d.answer_box(COUNT_TITLE, 1)
    check(d.titled(MAIN_TITLE) is None, "the main window is shown after confirming")
    box = firing_box(d, " 9:43:00啦!", 70)
    d.answer_box(box.name, 1)
    d.wait_for("the main window to be back for the next entry", 3, lambda: d.titled(MAIN_TITLE))
    exit_from_menu(d)


def three_taken_then_hidden(d):
    """Three reminders taken, the window hidden without "确定": each is told
    at its time, and the window stays reachable."""
    d.start()
    wait_main_ready(d)
    choose_advanced(d)
    for minute, message in (("42", "一"), ("42", "二"), ("43", "三")):
        type_reminder(d, "9", minute, message)
        d.key("Tab", "space")  # "还有"
    d.answer_box(COUNT_TITLE, 5)  # "就这些吧?我记不下了!"
    choose_hide(d)

    for n in (1, 2):
        box = firing_box(d, " 9:42:00啦!", 30)
        check(d.titled(MAIN_TITLE) is not None, "the main window is not shown behind reminder %d" % n)
        d.answer_box(box.name, 1)
    d.stays_absent("the main window hiding again", 1.0, lambda: d.titled(MAIN_TITLE) is None)
    no_error_box(d, 0.5)
    box = firing_box(d, " 9:43:00啦!", 70)
    d.answer_box(box.name, 1)
    d.wait_for("the main window to be shown after the last", 3, lambda: d.titled(MAIN_TITLE))
    d.stays_absent("a reminder told twice", 1.5,
                   lambda: next((w for w in d.program_windows()
                                 if w.name and w.name.endswith("啦!")), None))
    exit_from_menu(d)


def start_again(d):
    """Starts the program once more, as a launcher would: that start ends at
    once, with status 0, having handed over to the one running."""
    again = d.spawn(["faketime", "-f", "@" + d.start_time, d.program],
                    env=dict(d.env, NO_FAKE_STAT="1"))
    d.wait_for("the second start to end", 10, lambda: again.poll() is not None)
    check(again.returncode == 0, "the second start ended with status %s" % again.returncode)


def second_start_brings_back_hidden(d):
    """Hidden with "隐藏", or minimised, the window comes back when the
    program is started again, ready for the keyboard; one program, one
    icon."""
    d.start()
    wait_main_ready(d)
    choose_hide(d)
    start_again(d)
    d.wait_for("the main window back after a second start", 5, lambda: d.titled(MAIN_TITLE))
    d.wait_for("the main window to take the keyboard", 3, lambda: main_is_active(d))
    icons = d.tray_icons()
    check(len(icons) == 1, "tray icons after a second start: %r" % icons)
    # Back as "恢复" brings it: "隐藏" is offered again.
    choose_hide(d)
    start_again(d)
    d.wait_for("the main window back after a third start", 5, lambda: d.titled(MAIN_TITLE))
    # Minimised by the window manager, it comes back from the task bar too.
    d.xdotool("windowminimize", "%d" % d.titled(MAIN_TITLE).id)
    d.wait_for("the main window minimised", 5, lambda: d.titled(MAIN_TITLE) is None)
    start_again(d)
    d.wait_for("the minimised window back after a start", 5, lambda: d.titled(MAIN_TITLE))
    exit_from_menu(d)


def second_start_after_kill(d):
    """A program that was killed leaves nothing behind that stops the next,
    nor keeps a later start from reaching that one."""
    d.start()
    wait_main_ready(d)
    first = d.app
    os.killpg(first.pid, signal.SIGKILL)
    first.wait(timeout=5)
    d.wait_for("the killed program's icon to go", 5, lambda: d.tray_icon() is None,
               program_may_end=True)
    d.start_program()
    wait_main_ready(d)
    d.wait_for("the new program's tray icon", 5, d.tray_icon)
    choose_hide(d)
    start_again(d)
    d.wait_for("the hidden window back after a start following the kill", 5,
               lambda: d.titled(MAIN_TITLE))
    exit_from_menu(d)
