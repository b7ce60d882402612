"""Tockmere end to end on a Wayland desktop: sway without a screen
(WLR_BACKENDS=headless, pixman rendering) with Xwayland, and waybar as the
StatusNotifierItem host, on a private session bus. sway refuses to run as
root, so the desktop and the program run as a user made for the test.

The program is started as sway starts programs, with the variables of a
Wayland session (XDG_SESSION_TYPE=wayland, WAYLAND_DISPLAY, DISPLAY) and no
QT_QPA_PLATFORM: it must come up on X11 (Xwayland), export its menu to
waybar, tell a reminder, and end on "退出" chosen in the exported menu
(wayland_session). With QT_QPA_PLATFORM=wayland chosen it runs natively and
its own menu opens from its window (wayland_native).

Run by main.py, as root.
"""

import glob
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from desktop import clear_stale_faketime

USER = "tockmere-e2e"
HERE = os.path.dirname(os.path.abspath(__file__))
MAIN_TITLE = "Tockmere Beta 1.1"

SWAY_CONFIG = """xwayland enable
output HEADLESS-1 resolution 1024x768
exec waybar -c {work}/waybar.json
"""
WAYBAR_CONFIG = {"layer": "top", "position": "bottom", "height": 30,
                 "modules-right": ["tray"], "tray": {"spacing": 4}}


# ---- as root: a user, a folder it may use, and the case run as that user --


def as_root(program, case, pid_file):
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["/usr/sbin/useradd", "--system", "--no-create-home", "--shell",
                        "/usr/sbin/nologin", USER], check=True)
    user = pwd.getpwnam(USER)
    work = tempfile.mkdtemp(prefix="tockmere-sway.")
    try:
        os.chmod(work, 0o755)
        shutil.copy(program, os.path.join(work, "tockmere"))
        os.chmod(os.path.join(work, "tockmere"), 0o755)
        for name, mode in (("run", 0o700), ("home", 0o755)):
            os.mkdir(os.path.join(work, name), mode)
            os.chown(os.path.join(work, name), user.pw_uid, user.pw_gid)
        os.chown(work, user.pw_uid, user.pw_gid)
        env = {"PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin", "LANG": os.environ.get("LANG", "C.UTF-8"),
               "TOCKMERE_E2E_TRACE": os.environ.get("TOCKMERE_E2E_TRACE", "")}
        inner = subprocess.Popen(
            ["/usr/sbin/runuser", "-u", USER, "--", "/usr/bin/python3", os.path.abspath(__file__),
             "--as-user", work, case], env=env, start_new_session=True)
        if pid_file:
            with open(pid_file, "a") as f:
                f.write("%d\n" % inner.pid)
        try:
            return inner.wait()
        finally:
            # Whatever the user's desktop left behind goes with its session.
            try:
                os.killpg(inner.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    finally:
        shutil.rmtree(work, ignore_errors=True)


# ---- as the test user: the desktop and the case -------------------------

sys.path.insert(0, HERE)


def main_user(work, case):
    from desktop import StepFailed, run_case
    from sni import SniDesktop

    class SwayDesktop(SniDesktop):
        """sway, Xwayland, waybar and a private bus; windows are read from
        sway's tree, the program is driven with xdotool on Xwayland."""

        def __init__(self):
            super().__init__(os.path.join(work, "tockmere"), "2026-12-06 09:41:40")
            self.home = work
            self.sway = None
            self.app_pid = None

        def start(self, platform=None):
            self.env = {"PATH": "/usr/bin:/bin", "HOME": os.path.join(work, "home"),
                        "XDG_RUNTIME_DIR": os.path.join(work, "run"), "TZ": "UTC",
                        "LANG": os.environ.get("LANG", "C.UTF-8"),
                        "XDG_CONFIG_HOME": os.path.join(work, "home", ".config")}
            self.start_bus()
            with open(os.path.join(work, "sway.conf"), "w") as f:
                f.write(SWAY_CONFIG.format(work=work))
            with open(os.path.join(work, "waybar.json"), "w") as f:
                json.dump(WAYBAR_CONFIG, f)
            self.sway = self.spawn(
                ["sway", "-c", os.path.join(work, "sway.conf")],
                env=dict(self.env, WLR_BACKENDS="headless", WLR_RENDERER="pixman",
                         WLR_LIBINPUT_NO_DEVICES="1", XDG_SESSION_TYPE="wayland"),
                stderr=open(os.path.join(work, "sway.log"), "wb"))
            sockets = self.wait_for("sway's IPC socket", 15, lambda: glob.glob(
                os.path.join(work, "run", "sway-ipc.*.sock")))
            self.env["SWAYSOCK"] = sockets[0]
            self.wait_for("waybar to register as StatusNotifierHost", 20, self.host_registered)
            log = os.path.join(work, "tockmere.log")
            chosen = "env QT_QPA_PLATFORM=%s " % platform if platform else ""
            clear_stale_faketime()
            self.swaymsg("exec", "%sfaketime -f @'%s' %s >%s 2>&1"
                         % (chosen, self.start_time, self.program, log))
            self.log = log
            try:
                self.app_pid = self.wait_for("the program to start", 20, self.find_program)
            except StepFailed as failure:
                raise StepFailed("%s; sway's log ends: %s; the program's: %s" % (
                    failure, _read(os.path.join(work, "sway.log"))[-300:], _read(log)[-300:]))
            self.app_started = time.monotonic()
            return self

        def find_program(self):
            for entry in os.listdir("/proc"):
                if entry.isdigit():
                    command = _read("/proc/%s/cmdline" % entry).split("\0")
                    if command[0] == self.program:
                        return int(entry)
            return None

        def swaymsg(self, *args):
            result = subprocess.run(["swaymsg"] + list(args), env=self.env,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
            if result.returncode != 0:
                raise StepFailed("swaymsg %s failed: %s" % (" ".join(args), result.stderr.decode()))
            return result.stdout.decode()

        def views(self):
            """The windows in sway's tree: (name, shell, visible, focused)."""
            found = []

            def walk(node):
                if node.get("type") in ("con", "floating_con") and node.get("name") is not None \
                        and not node.get("nodes") and not node.get("floating_nodes"):
                    found.append((node["name"], node.get("shell"), node.get("visible"),
                                  node.get("focused")))
                for child in node.get("nodes", []) + node.get("floating_nodes", []):
                    walk(child)

            walk(json.loads(self.swaymsg("-t", "get_tree", "-r")))
            return found

        def rect(self, name):
            """The window's place on the output: x, y, width, height."""
            found = []

            def walk(node):
                if node.get("name") == name and not node.get("nodes"):
                    r = node["rect"]
                    found.append((r["x"], r["y"], r["width"], r["height"]))
                for child in node.get("nodes", []) + node.get("floating_nodes", []):
                    walk(child)

            walk(json.loads(self.swaymsg("-t", "get_tree", "-r")))
            return found[0] if found else None

        def visible_program_windows(self):
            return ", ".join("%r (%s%s)" % (v[0], v[1], ", focused" if v[3] else "")
                             for v in self.views() if v[2])

        def view(self, name):
            for v in self.views():
                if v[0] == name:
                    return v
            return None

        def program_env(self):
            with open("/proc/%d/environ" % self.app_pid, "rb") as f:
                pairs = [p.split(b"=", 1) for p in f.read().split(b"\0") if b"=" in p]
            return {k.decode(): v.decode() for k, v in pairs}

        def running(self):
            try:
                with open("/proc/%d/stat" % self.app_pid) as f:
                    return f.read().rsplit(")", 1)[1].split()[0] != "Z"
            except OSError:
                return False

        def wtype(self, *args):
            # A virtual keyboard is new to the program at each run: pauses
            # around the keys let its key map arrive first.
            result = subprocess.run(["wtype", "-s", "300"] + list(args) + ["-s", "300"],
                                    env=dict(self.env, WAYLAND_DISPLAY=self.wayland),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
            if result.returncode != 0:
                raise StepFailed("wtype %s failed: %s" % (" ".join(args),
                                                          result.stderr.decode().strip()))
            time.sleep(0.05)

        def xdotool(self, *args):
            result = subprocess.run(["xdotool"] + [str(a) for a in args],
                                    env=dict(self.env, DISPLAY=self.display),
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
            if result.returncode != 0:
                raise StepFailed("xdotool %s failed: %s" % (" ".join(map(str, args)),
                                                            result.stderr.decode().strip()))

        def close(self):
            if self.app_pid and self.running():
                os.kill(self.app_pid, signal.SIGKILL)
            super().close()
            # What sway and the bus started (waybar, Xwayland, services)
            # leads sessions of its own; the user is this test's alone, so
            # everything it still runs but this process goes.
            own = os.getpid()
            for entry in os.listdir("/proc"):
                if entry.isdigit() and int(entry) != own:
                    try:
                        if os.stat("/proc/" + entry).st_uid == os.getuid():
                            os.kill(int(entry), signal.SIGKILL)
                    except (ProcessLookupError, PermissionError, FileNotFoundError):
                        pass

    run = {"wayland_session": wayland_session, "wayland_native": wayland_native}[case]
    return run_case(run, SwayDesktop())


def _read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def wayland_session(d):
    from cases import check
    d.start()
    env = d.program_env()
    check(env.get("XDG_SESSION_TYPE") == "wayland" and env.get("WAYLAND_DISPLAY")
          and env.get("DISPLAY") and "QT_QPA_PLATFORM" not in env,
          "the program was not started as in a Wayland session: %r" % env)
    d.display = env["DISPLAY"]
    main = d.wait_for("the main window", 15, lambda: d.view(MAIN_TITLE))
    check(main[1] == "xwayland", "the main window is a %s window, not an X11 one" % main[1])
    check(main[2], "the main window is not shown")

    d.wait_for("the item registered with waybar's watcher", 10, d.item)
    labels = [label for _, label, _, _ in d.menu_entries()]
    check(labels == ["普通", "高级", "查询", "恢复", "隐藏", "关于", "-", "退出"],
          "the exported menu is %r" % labels)

    d.wait_for("the main window to have the focus", 5, lambda: d.view(MAIN_TITLE)[3])
    time.sleep(0.5)
    d.xdotool("type", "--delay", "40", "9")
    d.xdotool("key", "Tab")
    d.xdotool("type", "--delay", "40", "42")
    d.xdotool("key", "Tab")
    d.xdotool("type", "--delay", "40", "tea")
    d.xdotool("key", "--delay", "60", "Return", "space")
    d.wait_for("the box 'Tockmere' that counts the reminders", 5, lambda: d.view("Tockmere"))
    d.xdotool("key", "Return")
    d.wait_for("the main window to hide", 5, lambda: not d.view(MAIN_TITLE))
    box = d.wait_for("the reminder told at 9:42", 30, lambda: d.view(" 9:42:00啦!"))
    check(box[1] == "xwayland", "the reminder box is not an X11 window")
    check(d.view(MAIN_TITLE) is not None, "the main window is not shown behind the reminder")
    d.xdotool("key", "Return")
    d.wait_for("the reminder box to close", 5, lambda: not d.view(" 9:42:00啦!"))

    d.choose("退出")
    d.wait_for("the program to end after 退出", 5, lambda: not d.running())
    d.wait_for("the item to leave the watcher", 5, lambda: not d.items())


def wayland_native(d):
    """Natively on Wayland, when the user chose it: the window's own menu opens
    from the window, the tray menu is waybar's, and 退出 there ends it."""
    from cases import check
    d.start(platform="wayland")
    d.wayland = d.program_env()["WAYLAND_DISPLAY"]
    main = d.wait_for("the main window", 15, lambda: d.view(MAIN_TITLE))
    check(main[1] == "xdg_shell", "the main window is a %s window, not a Wayland one" % main[1])
    d.wait_for("the item registered with waybar's watcher", 10, d.item)
    labels = [label for _, label, _, _ in d.menu_entries()]
    check(labels == ["普通", "高级", "查询", "恢复", "隐藏", "关于", "-", "退出"],
          "the exported menu is %r" % labels)
    rect = d.wait_for("the main window's place", 5, lambda: d.rect(MAIN_TITLE))
    # A right press on the window's background, below the buttons.
    d.swaymsg("seat", "-", "cursor", "set", str(rect[0] + rect[2] // 2), str(rect[1] + rect[3] - 12))
    d.swaymsg("seat", "-", "cursor", "press", "button3")
    d.swaymsg("seat", "-", "cursor", "release", "button3")
    # A pop-up is not in sway's tree: the program is watched while its menu
    # opens, and after a click on the desktop beside the window closes it.
    ended = lambda: "ended" if not d.running() else None
    d.stays_absent("the program's end after its menu was opened", 1.5, ended)
    d.swaymsg("seat", "-", "cursor", "set", "5", "5")
    d.swaymsg("seat", "-", "cursor", "press", "button1")
    d.swaymsg("seat", "-", "cursor", "release", "button1")
    d.stays_absent("the program's end after its menu closed", 0.5, ended)
    log = _read(d.log)
    # Qt tells on its output when a Wayland pop-up has no window to open from.
    check("popup" not in log.lower(), "the pop-up menu was refused: %s" % log.strip()[-300:])

    # A reminder typed on Wayland's virtual keyboard; at its time the box
    # comes up with the window and has the keyboard.
    d.swaymsg("[title=\"^%s$\"]" % MAIN_TITLE, "focus")
    d.wait_for("the main window to have the focus", 5, lambda: d.view(MAIN_TITLE)[3])
    time.sleep(0.5)
    d.wtype("-d", "40", "9", "-k", "Tab", "42", "-k", "Tab", "tea", "-k", "Return", "-k", "space")
    d.wait_for("the box 'Tockmere' that counts the reminders", 5, lambda: d.view("Tockmere"))
    d.wtype("-k", "Return")
    d.wait_for("the main window to hide", 5, lambda: not d.view(MAIN_TITLE))
    box = d.wait_for("the reminder told at 9:42", 30, lambda: d.view(" 9:42:00啦!"))
    check(d.view(MAIN_TITLE) is not None, "the main window is not shown behind the reminder")
    d.wait_for("the reminder box to have the keyboard", 3, lambda: d.view(box[0])[3])
    d.wtype("-k", "Return")
    d.wait_for("the reminder box to close", 5, lambda: not d.view(box[0]))

    d.choose("退出")
    d.wait_for("the program to end after 退出", 5, lambda: not d.running())
    d.wait_for("the item to leave the watcher", 5, lambda: not d.items())


def main(argv):
    # as_root starts this file again as the test user, to run the case.
    if len(argv) >= 4 and argv[1] == "--as-user":
        return main_user(argv[2], argv[3])
    sys.stderr.write("usage: sway.py --as-user WORK CASE (main.py runs the cases)\n")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
