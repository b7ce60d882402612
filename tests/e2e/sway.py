"""Tockmere end to end on a Wayland desktop: sway without a screen
(WLR_BACKENDS=headless, pixman rendering) with Xwayland, and waybar as the
StatusNotifierItem host, on a private session bus; run as the row's user.

The program is started as sway starts programs, with the variables of a
Wayland session and no QT_QPA_PLATFORM: it must come up on X11 (Xwayland),
export its menu to waybar, tell a reminder, and end on "退出" chosen in the
exported menu (wayland_session). With QT_QPA_PLATFORM=wayland chosen it runs
natively and its own menu opens from its window (wayland_native)."""

from Xlib import display

import sni
from cases import check
from desktop import MAIN_TITLE, WindowReader, _read


def program_env(d):
    with open("/proc/%d/environ" % d.app.pid, "rb") as f:
        pairs = [p.split(b"=", 1) for p in f.read().split(b"\0") if b"=" in p]
    return {k.decode(): v.decode() for k, v in pairs}


def menu_and_end(d):
    """waybar's menu, read before; "退出" chosen there ends the program."""
    sni.choose(d, "退出")
    d.wait_for("the program to end after 退出", 5, lambda: d.app.poll() is not None,
               program_may_end=True)
    d.wait_for("the item to leave the watcher", 5, lambda: not sni.items(d), program_may_end=True)


def exported_menu(d):
    d.wait_for("the item registered with waybar's watcher", 10, lambda: sni.item(d))
    check(sni.labels(d) == sni.MENU, "the exported menu is %r" % sni.labels(d))


def wayland_session(d):
    d.start()
    env = program_env(d)
    check(env.get("XDG_SESSION_TYPE") == "wayland" and env.get("WAYLAND_DISPLAY")
          and env.get("DISPLAY") and "QT_QPA_PLATFORM" not in env,
          "the program was not started as in a Wayland session: %r" % env)
    d.env["DISPLAY"] = env["DISPLAY"]
    main = d.wait_for("the main window", 15, lambda: d.view(MAIN_TITLE))
    check(main[1] == "xwayland", "the main window is a %s window, not an X11 one" % main[1])
    check(main[2], "the main window is not shown")
    exported_menu(d)
    d.wait_for("the main window to have the focus", 5, lambda: d.view(MAIN_TITLE)[3])
    # ... and on Xwayland the X focus, which the keys go to.
    d.x = display.Display(env["DISPLAY"])
    d.xwin = WindowReader(d.x)
    d.wait_for("the X focus on the main window", 5, lambda: d.titled(MAIN_TITLE) and
               d.x.get_input_focus().focus.id == d.titled(MAIN_TITLE).id)
    d.fill("9", "42")
    d.type("tea")
    d.key("Return", "space")
    d.wait_for("the box 'Tockmere' that counts the reminders", 5, lambda: d.view("Tockmere"))
    d.key("Return")
    d.wait_for("the main window to hide", 5, lambda: not d.view(MAIN_TITLE))
    box = d.wait_for("the reminder told at 9:42", 30, lambda: d.view(" 9:42:00啦!"))
    check(box[1] == "xwayland", "the reminder box is not an X11 window")
    check(d.view(MAIN_TITLE) is not None, "the main window is not shown behind the reminder")
    d.key("Return")
    d.wait_for("the reminder box to close", 5, lambda: not d.view(" 9:42:00啦!"))
    menu_and_end(d)


def wayland_native(d):
    """Natively on Wayland, when the user chose it: the window's own menu opens
    from the window, the tray menu is waybar's, and 退出 there ends it."""
    d.start(program=False)
    d.start_program(QT_QPA_PLATFORM="wayland")
    d.env["WAYLAND_DISPLAY"] = program_env(d)["WAYLAND_DISPLAY"]
    main = d.wait_for("the main window", 15, lambda: d.view(MAIN_TITLE))
    check(main[1] == "xdg_shell", "the main window is a %s window, not a Wayland one" % main[1])
    exported_menu(d)
    x, y, width, height = d.view(MAIN_TITLE)[4]
    # A right click on the window's background, below the buttons. A pop-up
    # is not in sway's tree: the program is watched while its menu opens,
    # and after a click on the desktop beside the window closes it.
    d.seat_click(x + width // 2, y + height - 12, "button3")
    ended = lambda: "ended" if d.app.poll() is not None else None  # noqa: E731
    d.stays_absent("the program's end after its menu was opened", 1.5, ended)
    d.seat_click(5, 5, "button1")
    d.stays_absent("the program's end after its menu closed", 0.5, ended)
    # Qt tells on its output when a Wayland pop-up has no window to open from.
    log = _read(d.app_log)
    check("popup" not in log.lower(), "the pop-up menu was refused: %s" % log.strip()[-300:])

    # A reminder typed on Wayland's virtual keyboard; at its time the box
    # comes up with the window and has the keyboard.
    d.swaymsg("[title=\"^%s$\"]" % MAIN_TITLE, "focus")
    d.wait_for("the main window to have the focus", 5, lambda: d.view(MAIN_TITLE)[3])
    d.wtype("-d", "40", "9", "-k", "Tab", "42", "-k", "Tab", "tea", "-k", "Return", "-k", "space")
    d.wait_for("the box 'Tockmere' that counts the reminders", 5, lambda: d.view("Tockmere"))
    d.wtype("-k", "Return")
    d.wait_for("the main window to hide", 5, lambda: not d.view(MAIN_TITLE))
    box = d.wait_for("the reminder told at 9:42", 30, lambda: d.view(" 9:42:00啦!"))
    check(d.view(MAIN_TITLE) is not None, "the main window is not shown behind the reminder")
    d.wait_for("the reminder box to have the keyboard", 3, lambda: d.view(box[0])[3])
    d.wtype("-k", "Return")
    d.wait_for("the reminder box to close", 5, lambda: not d.view(box[0]))
    menu_and_end(d)
