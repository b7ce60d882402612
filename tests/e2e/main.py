"""Every end-to-end case of Tockmere, the desktops (rows of desktop.DESKTOPS)
each runs on, and the one way to run one.

usage: main.py --list                    the cases, in the order run.sh runs them
       main.py --list-units              the cases as run.sh's lanes take them
       main.py PROGRAM CASE [PID_FILE]   runs one case on a desktop of its own
Prints nothing and exits 0 when the case passes; prints the step that failed
and exits 1 otherwise.
"""

import functools
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import a11y  # noqa: E402
import cases  # noqa: E402
import edges  # noqa: E402
import sni  # noqa: E402
import sway  # noqa: E402
from desktop import DESKTOPS, Desktop, StepFailed, local_user  # noqa: E402

DAY = "2026-12-06"
CASES = {}  # name -> (function, row, clock at start, reader)


def case(function, clock, rows=("jwm",), reader=None, name=None):
    """A case: `function` run with the clock at `clock`, on each of `rows`
    (one case per row, named NAME_ROW, where there are several), with the
    reader it asks for (None, "atspi" or "orca"); named as the function."""
    name = name or function.__name__
    for row in rows:
        CASES[name + "_" + row if len(rows) > 1 else name] = (function, row, clock, reader)


case(cases.one_reminder, "09:41:50")
case(cases.told_while_typing_the_next, "09:41:50")
case(cases.second_start_brings_back_hidden, "09:41:50")
case(a11y.keyboard_and_screen_reader, "09:41:50", reader="atspi")
# Its minute field, 42, must be left before 9:42, a while after the start
# under load, and its reminder told after About.
case(a11y.orca_keyboard_path, "09:41:36", reader="orca")
case(a11y.fast_hide_and_restore_sni, "09:41:30", ["xfce4_panel"], "atspi")
case(a11y.hide_and_restore, "09:41:52", ["jwm", "openbox", "i3", "fluxbox", "fluxbox_200",
                                          "xfwm4", "mutter", "mutter_200", "kwin",
                                          "late_frame_200"], "atspi")
case(cases.xembed_one_menu_per_right_click, "09:41:30")
case(sni.sni_menu, "09:41:50", ["xfce4_panel_user_bus"])
case(cases.tray_goes_away_while_hidden, "09:41:30", ["jwm", "xfce4_panel", "jwm_screen_1"])
case(cases.wm_ends_holding_the_window, "09:41:30")
case(cases.wm_ends_with_a_request_unanswered, "09:41:30")
case(cases.no_session_bus, "09:41:30")
case(sway.wayland_session, "09:41:50", ["sway"])
case(sway.wayland_native, "09:41:50", ["sway"])
for route in edges.ROUTES:
    case(functools.partial(edges.zone_followed, route=route), "04:41:48", name="zone_" + route)
case(edges.clock_set_while_hidden, "09:41:50")
case(edges.reminder_heard, "09:41:50")
case(edges.end_signals, "09:41:50")
case(edges.other_users_files, "09:41:50")

# These wait for the clock most of the time (a reminder at one minute and the
# next at the minute after, a zone's change), the longest first.
WAITING = ["orca_keyboard_path", "told_while_typing_the_next"] + [c for c in CASES if c.startswith("zone_")]


def units():
    """The cases as run.sh's lanes take them, one unit a line: the waiting
    ones first; the cases of a desktop with a user of its own together, as
    each ends all that user runs."""
    together = {}
    for name in WAITING + [c for c in CASES if c not in WAITING]:
        together.setdefault(DESKTOPS[CASES[name][1]].user or name, []).append(name)
    return [" ".join(unit) for unit in together.values()]


def run(program, name, pid_file):
    """Runs one case on its desktop and always closes the desktop. Returns the
    exit status: 0 when the case passed; 1 after printing the step that failed
    or where the test itself broke. A TERM or INT fails the step under way."""
    function, row, clock, reader = CASES[name]
    user = DESKTOPS[row].user
    if user and pwd.getpwuid(os.getuid()).pw_name != user:
        return as_user(user, program, name, pid_file)

    def stopped(signum, frame):  # once: a second signal must not cut the closing short
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        raise StepFailed("stopped by signal %d" % signum)
    signal.signal(signal.SIGTERM, stopped)
    signal.signal(signal.SIGINT, stopped)
    d = Desktop(program, "%s %s" % (DAY, clock), pid_file, row, reader)
    try:
        function(d)
    except StepFailed as failure:
        print(failure)
        return 1
    except Exception as fault:  # a fault of the test itself: say where
        traceback.print_exc()
        print("the test broke: %r" % fault)
        return 1
    finally:
        d.close()
    return 0


def as_user(user, program, name, pid_file):
    """Runs the case as `user` (made for it), its program copied where the
    user may run it; whatever the user's desktop left goes with its session."""
    local_user(user)
    folder = tempfile.mkdtemp(prefix="tockmere-e2e-user.")
    try:
        os.chmod(folder, 0o755)
        copy = shutil.copy(program, folder)
        env = {"PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin",
               "LANG": os.environ.get("LANG", "C.UTF-8"),
               "TOCKMERE_E2E_TRACE": os.environ.get("TOCKMERE_E2E_TRACE", "")}
        inner = subprocess.Popen(["/usr/sbin/runuser", "-u", user, "--", "/usr/bin/python3",
                                  os.path.abspath(__file__), copy, name], env=env,
                                 start_new_session=True)
        if pid_file:
            with open(pid_file, "a") as f:
                f.write("%d\n" % inner.pid)
        try:
            return inner.wait()
        finally:
            try:
                os.killpg(inner.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main(argv):
    if len(argv) == 2 and argv[1] in ("--list", "--list-units"):
        print("\n".join(CASES if argv[1] == "--list" else units()))
        return 0
    if len(argv) < 3 or argv[2] not in CASES:
        sys.stderr.write("usage: main.py PROGRAM CASE [PID_FILE] | --list; cases: %s\n"
                         % " ".join(CASES))
        return 2
    return run(argv[1], argv[2], argv[3] if len(argv) > 3 else None)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
