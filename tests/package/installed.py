"""The installed Tockmere, started by its name from the PATH on a virtual
desktop: its main window and tray icon come up, its windows belong to the
class the desktop entry names (so the menu and the taskbar group them under
the entry), and "退出" from the tray menu ends it.

usage: installed.py DESKTOP_FILE [PID_FILE]
Prints the step that failed and exits 1, or exits 0.
"""

import os
import pwd
import shutil
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from cases import check, wait_main_ready  # noqa: E402
from desktop import Desktop, StepFailed  # noqa: E402
from Xlib import X, Xatom  # noqa: E402


def desktop_entry(path):
    """The keys of the [Desktop Entry] group of a .desktop file."""
    keys = {}
    group = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                keys[key.strip()] = value.strip()
    return keys


def end_autolaunched_bus(d):
    """Where dbus-x11 is installed, libdbus starts a session bus for a program
    that asks for one on a display without it, and notes the daemon's pid on
    the display. That daemon outlives the display: end it."""
    machine_id = None
    for path in ("/etc/machine-id", "/var/lib/dbus/machine-id"):
        if os.path.exists(path):
            with open(path) as f:
                machine_id = f.read().strip()
            break
    if d.x is None or not machine_id:
        return
    user = pwd.getpwuid(os.getuid()).pw_name
    selection = d.x.intern_atom("_DBUS_SESSION_BUS_SELECTION_%s_%s" % (user, machine_id))
    owner = d.x.get_selection_owner(selection)
    if owner == X.NONE or getattr(owner, "id", owner) == X.NONE:
        return
    prop = owner.get_full_property(d.x.intern_atom("_DBUS_SESSION_BUS_PID"), Xatom.CARDINAL)
    if prop is not None and len(prop.value):
        try:
            os.kill(int(prop.value[0]), signal.SIGTERM)
        except ProcessLookupError:
            pass


def run(d, entry):
    d.start()
    main = wait_main_ready(d)
    d.wait_for("the tray icon", 5, d.tray_icon)
    wm_class = main.wm_class
    check(wm_class and entry.get("StartupWMClass") in wm_class,
          "the main window's WM_CLASS is %r, the desktop entry's StartupWMClass %r"
          % (wm_class, entry.get("StartupWMClass")))
    # "退出": the program ends and takes its icon along. (A session bus that
    # libdbus may have started for it on this display lives on by design.)
    d.choose_exit()
    status = d.await_program_end(5)
    check(status == 0, "the program ended with status %s after 退出" % status)
    d.wait_for("the tray icon to disappear", 3, lambda: d.tray_icon() is None,
               program_may_end=True)


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    entry = desktop_entry(argv[1])
    program = shutil.which(entry.get("Exec", "").split(" ")[0])
    if program is None:
        print("the desktop entry's Exec=%s is not found on the PATH" % entry.get("Exec"))
        return 1
    d = Desktop(program, "2026-12-06 09:41:50", argv[2] if len(argv) > 2 else None)
    try:
        run(d, entry)
    except StepFailed as failure:
        print(failure)
        return 1
    finally:
        try:
            end_autolaunched_bus(d)
        finally:
            d.close()
    print("started %s from the PATH; window class %s" % (program, entry["StartupWMClass"]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
