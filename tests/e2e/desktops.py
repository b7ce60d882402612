"""Tockmere end to end on other kinds of desktop than jwm's X11 tray: a
StatusNotifierItem tray (xfce4-panel) on a private session bus, a tray that
goes away while the window is hidden, a window manager that ends at a bad
moment, and a desktop without a session bus.

The cases are run by main.py.
"""

import os
import time

from Xlib import X, Xatom, display

import cases
from cases import arm_one, check, exit_from_menu, wait_main_ready
from desktop import JWMRC, MAIN_TITLE, NOTICE_TITLE, StepFailed, _end_group
from sni import JWMRC_NO_TRAY

IDLE = [("普通", True, True), ("高级", True, False), ("查询", False, False),
        ("恢复", False, False), ("隐藏", True, False), ("关于", True, False),
        ("-", True, False), ("退出", True, False)]
ARMED = [("普通", False, True), ("高级", False, False), ("查询", True, False),
         ("恢复", False, False), ("隐藏", False, False), ("关于", True, False),
         ("-", True, False), ("退出", True, False)]
HIDDEN = [("普通", False, True), ("高级", False, False), ("查询", False, False),
          ("恢复", True, False), ("隐藏", False, False), ("关于", True, False),
          ("-", True, False), ("退出", True, False)]


def layout(d):
    return [(label, enabled, checked) for _, label, enabled, checked in d.menu_entries()]


def expect_layout(host, expected, situation):
    """The menu the host draws reaches the expected layout, following only
    what the program signals."""
    def drawn():
        host.follow(0.1)
        return host.entries() == expected
    try:
        host_wait(drawn, 3)
    except StepFailed:
        raise StepFailed("the host's menu %s is %r, not %r" % (situation, host.entries(), expected))


def host_wait(probe, seconds):
    end = time.monotonic() + seconds
    while not probe():
        if time.monotonic() > end:
            raise StepFailed("timed out")


def sni_menu(d):
    d.start()
    wait_main_ready(d)
    d.wait_for("the item registered with the watcher", 10, d.item)
    tip = d.item_property("ToolTip")
    check(str(tip[2]) == "Tockmere Beta 1.1 版", "the item's tooltip is %r" % (tip,))
    check(d.tray_icon() is None, "an X11 tray icon was shown beside the item")
    host = d.host_menu()
    expect_layout(host, IDLE, "at start")

    # One mark, on the mode chosen, in the menu the host draws.
    d.choose("高级")
    expect_layout(host, [("普通", True, False), ("高级", True, True)] + IDLE[2:], "after 高级")
    d.choose("普通")
    expect_layout(host, IDLE, "after 普通 again")

    arm_one(d, "42", "开会")
    expect_layout(host, ARMED, "while armed")
    d.item_call("Activate", 0, 0)
    d.wait_for("the notice window %r after Activate" % NOTICE_TITLE, 3,
               lambda: d.titled(NOTICE_TITLE))
    d.answer_box(NOTICE_TITLE, 1)
    d.choose("查询")
    d.wait_for("the notice window %r after 查询" % NOTICE_TITLE, 3,
               lambda: d.titled(NOTICE_TITLE))

    box = cases.firing_box(d, " 9:42:00啦!", 25)
    d.answer_box(box.name, 1)
    d.wait_for("the main window back for the next entry", 3, lambda: d.titled(MAIN_TITLE))
    expect_layout(host, IDLE, "idle again after the reminder")

    d.choose("隐藏")
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)
    expect_layout(host, HIDDEN, "while hidden")
    check(host.entries() == layout(d), "the host draws %r, the program holds %r"
          % (host.entries(), layout(d)))
    # Watching for the tray to go away costs the bus nothing.
    changes = d.bus_names_changing(3)
    check(changes == 0, "names changed owner %d times on the bus in 3 s in the tray" % changes)
    d.choose("恢复")
    d.wait_for("the main window back after 恢复", 3, lambda: d.titled(MAIN_TITLE))
    expect_layout(host, IDLE, "after 恢复")

    d.choose("退出")
    status = d.await_program_end(5)
    check(status == 0, "the program ended with status %s after 退出" % status)
    d.wait_for("the item to leave the watcher", 3, lambda: not d.items(), program_may_end=True)
    check(not d.session_processes(), "processes of the program are left: %s" % d.session_processes())


# ---- the tray goes away --------------------------------------------------


def client_state(d, title):
    """WM_STATE of the program's top-level window with this title, as the
    window manager keeps it (1 normal, 3 minimised), or None when no window
    manager lists it as a client or it is withdrawn."""
    wm_state = d.x.intern_atom("WM_STATE")
    clients = d.root.get_full_property(d.x.intern_atom("_NET_CLIENT_LIST"), Xatom.WINDOW)
    for wid in (clients.value if clients is not None else []):
        window = d.x.create_resource_object("window", wid)
        if d.reader.name(window) == title:
            prop = window.get_full_property(wm_state, wm_state)
            state = int(prop.value[0]) if prop is not None else 0
            return state or None  # withdrawn
    return None


def left_task_bar(d, when):
    try:
        d.wait_for("the window to leave the task bar " + when, 10,
                   lambda: client_state(d, MAIN_TITLE) is None)
    except StepFailed:
        raise StepFailed("the window is still in the task bar %s (WM_STATE %s)"
                         % (when, client_state(d, MAIN_TITLE)))


def replace_wm(d, rc, with_tray):
    _end_group(d.wm)
    d.start_wm(rc, with_tray=with_tray)


def tray_goes_away_while_hidden(d):
    d.start()
    wait_main_ready(d)
    d.open_menu()
    d.key("Down", "Down", "Down", "Return")  # 普通, 高级, 隐藏: the disabled ones are passed over
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)
    check(client_state(d, MAIN_TITLE) is None, "the hidden window is still in the task bar")

    # jwm gives way to a jwm with a task bar but no notification area.
    replace_wm(d, JWMRC_NO_TRAY, with_tray=False)
    d.wait_for("the window to wait minimised in the task bar once the tray is gone", 10,
               lambda: client_state(d, MAIN_TITLE) == 3)
    check(d.titled(MAIN_TITLE) is None, "the window came up in full, not minimised")

    # A tray again: the window goes back to it, and its icon brings it up.
    replace_wm(d, JWMRC, with_tray=True)
    left_task_bar(d, "once a tray is back")
    d.open_menu()
    d.key("Down", "Return")  # 恢复, the first one enabled while hidden
    d.wait_for("the main window back after 恢复 from the icon", 5, lambda: d.titled(MAIN_TITLE))
    d.wait_for("the window back from the tray to take the keyboard focus", 5,
               lambda: cases.main_is_active(d))
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
    d.wait_for("the window made anew to take the keyboard focus", 5,
               lambda: cases.main_is_active(d))
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
               lambda: d.titled(MAIN_TITLE) is not None and client_state(d, MAIN_TITLE) == 1)
    exit_from_menu(d)


def tray_goes_away_from_the_panel(d):
    """The SNI host dies while the window is hidden: the window comes to the
    task bar (jwm's), and the item is registered again when the panel is back."""
    d.start()
    wait_main_ready(d)
    d.wait_for("the item registered with the watcher", 10, d.item)
    d.choose("隐藏")
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)
    _end_group(d.panel)
    d.wait_for("the window to wait minimised in the task bar once the panel is gone", 10,
               lambda: client_state(d, MAIN_TITLE) == 3)
    d.start_panel()
    d.wait_for("the item registered again with the new panel", 10, d.item)
    left_task_bar(d, "once the panel is back")
    d.choose("恢复")
    d.wait_for("the main window back after 恢复", 5, lambda: d.titled(MAIN_TITLE))
    d.choose("退出")
    check(d.await_program_end(5) == 0, "the program did not end well after 退出")


# ---- jwm's X11 tray: our own menu, once per click --------------------------


def menus(d):
    return [w for w in d.program_windows() if w.override and w.toplevel and w.width > 40
            and w.height > 40]


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
                       lambda: menus(d) if len(menus(d)) > 1 else None)
        d.key("Escape")
        d.wait_for("the menu to close on Escape", 3, lambda: d.menu() is None)
        d.stays_absent("a second menu after the first closed", 0.7, d.menu)
    exit_from_menu(d)


# ---- no session bus ------------------------------------------------------


def processes_of_desktop(d):
    """Live processes started within this desktop (they carry its private
    XDG_RUNTIME_DIR), other than the X server and the window manager, with
    their command lines."""
    wanted = ("XDG_RUNTIME_DIR=" + d.env["XDG_RUNTIME_DIR"]).encode()
    own = {d.xvfb.pid, d.wm.pid, os.getpid()}
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in own:
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as f:
                environ = f.read().split(b"\0")
            with open("/proc/%s/stat" % entry) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                command = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
        if wanted in environ and state != "Z":
            found.append("%s (%s)" % (entry, command))
    return found


def no_session_bus(d):
    d.start()
    check("DBUS_SESSION_BUS_ADDRESS" not in d.env, "the desktop has a session bus")
    wait_main_ready(d)
    d.wait_for("the icon in jwm's tray", 5, d.tray_icon)
    exit_from_menu(d)
    try:
        d.wait_for("no process started by the program to be left", 3,
                   lambda: not processes_of_desktop(d), program_may_end=True)
    except StepFailed:
        raise StepFailed("processes are left after 退出: %s" % ", ".join(processes_of_desktop(d)))
