"""A virtual desktop for Tockmere's end-to-end tests.

Starts Xvfb on a free display, jwm as window manager and tray host, and the
built program with its clock set by libfaketime. Everything a test does to the
program goes through xdotool, as a person at the desktop would: typing, keys,
clicks on the tray icon. Python's Xlib only looks at windows (names, classes,
whether they are viewable, where they are); it never sends anything.
"""

import os
import select
import signal
import subprocess
import sys
import tempfile
import time

from Xlib import X, Xatom, display, error

PROGRAM_CLASS = "tockmere"
MAIN_TITLE = "Tockmere Beta 1.1"
NOTICE_TITLE = "提醒信息"
SCREEN = (1024, 768)
TRAY_HEIGHT = 32

JWMRC = """<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="{h}" autohide="off"><TaskList maxwidth="256"/><Dock/></Tray>
  <WindowStyle><Font>WenQuanYi Zen Hei-10</Font></WindowStyle>
  <TrayStyle><Font>WenQuanYi Zen Hei-10</Font></TrayStyle>
</JWM>
""".format(h=TRAY_HEIGHT)


TRACE = bool(os.environ.get("TOCKMERE_E2E_TRACE"))
_T0 = time.monotonic()


def trace(text):
    """With TOCKMERE_E2E_TRACE set, tells on stderr what the test does and when."""
    if TRACE:
        sys.stderr.write("%7.2f %s\n" % (time.monotonic() - _T0, text))


class StepFailed(Exception):
    """A step of a test did not see what it waited for."""


def _stopped(signum, frame):
    raise StepFailed("stopped by signal %d" % signum)


def run_case(run, d):
    """Runs one case on its desktop and always closes the desktop. Returns the
    exit status: 0 when the case passed; 1 after printing the step that failed
    or where the test itself broke. A TERM or INT fails the step under way."""
    signal.signal(signal.SIGTERM, _stopped)
    signal.signal(signal.SIGINT, _stopped)
    try:
        run(d)
    except StepFailed as failure:
        print(failure)
        return 1
    except Exception as fault:  # a fault of the test itself: say where
        import traceback
        traceback.print_exc()
        print("the test broke: %r" % fault)
        return 1
    finally:
        d.close()
    return 0


class Win:
    """What the tests need to know of one X window, read at one moment."""

    def __init__(self, wid, name, wm_class, x, y, width, height, override, toplevel, states):
        self.id = wid
        self.name = name
        self.wm_class = wm_class
        self.x, self.y, self.width, self.height = x, y, width, height
        self.override = override
        self.toplevel = toplevel
        self.states = states

    @property
    def centre(self):
        return self.x + self.width // 2, self.y + self.height // 2

    def __repr__(self):
        kind = "menu-like" if self.override and self.toplevel else "window"
        return "%s %r %dx%d+%d+%d" % (kind, self.name, self.width, self.height, self.x, self.y)


class WindowReader:
    """Reads the windows of one X display: the walk the tests and the desktop
    benchmark (bench/desktop/desktop_bench.py) look at windows with."""

    def __init__(self, x):
        self.x = x
        self.root = x.screen().root
        self._atoms = {n: x.intern_atom(n) for n in ("_NET_WM_NAME", "UTF8_STRING", "_NET_WM_STATE")}

    def windows(self):
        """Every viewable window of the display, parents before children."""
        found = []

        def walk(window, parent_is_root):
            try:
                children = window.query_tree().children
            except error.XError:
                return
            for child in children:
                try:
                    attrs = child.get_attributes()
                    if attrs.map_state != X.IsViewable:
                        continue
                    geometry = child.get_geometry()
                    origin = self.root.translate_coords(child, 0, 0)
                    wm_class = child.get_wm_class() or ()
                    name = self.name(child)
                    states = self.states(child)
                except error.XError:
                    continue  # gone while we looked
                found.append(Win(child.id, name, wm_class, origin.x, origin.y,
                                 geometry.width, geometry.height,
                                 bool(attrs.override_redirect), parent_is_root, states))
                walk(child, False)

        walk(self.root, True)
        return found

    def name(self, window):
        """The window's title (_NET_WM_NAME, else WM_NAME), or None."""
        prop = window.get_full_property(self._atoms["_NET_WM_NAME"], self._atoms["UTF8_STRING"])
        if prop is not None and prop.value:
            value = prop.value
            return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)
        prop = window.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
        if prop is not None and prop.value:
            value = prop.value
            return value.decode("latin-1") if isinstance(value, bytes) else str(value)
        return None

    def states(self, window):
        prop = window.get_full_property(self._atoms["_NET_WM_STATE"], Xatom.ATOM)
        return set(prop.value) if prop is not None else set()


class Desktop:
    """One fresh X server, window manager and program; `close` ends them all."""

    # The desktop's scale: physical pixels per pixel at 100 %.
    scale = 1

    def __init__(self, program, start_time, pid_file=None):
        self.program = os.path.abspath(program)
        self.start_time = start_time
        self.pid_file = pid_file
        self.work = tempfile.mkdtemp(prefix="tockmere-e2e.")
        self.xvfb = self.wm = self.app = None
        self.others = []  # further processes of the desktop: bus, panel
        self.x = None
        self.app_started = None
        self.app_log = os.path.join(self.work, "tockmere.log")

    # ---- start and stop ------------------------------------------------------

    def start(self):
        """Xvfb, jwm as window manager and tray host, then the program."""
        self.start_display()
        self.start_wm()
        return self.start_program()

    def start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_end)
        self._note_pid(self.xvfb.pid)
        number = b""
        deadline = time.monotonic() + 10
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                break
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise StepFailed("Xvfb did not report a display number")
        self.env = dict(os.environ)
        for name in ("DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.env["DISPLAY"] = ":" + number.decode().strip()
        self.env["XDG_RUNTIME_DIR"] = self.work
        self.env["TZ"] = "UTC"
        # No sound server: a reminder told here is never heard on the
        # developer's own (edges.py's reminder_heard gives one of its own).
        self.env["PULSE_SERVER"] = "unix:" + os.path.join(self.work, "no-sound-server")
        os.chmod(self.work, 0o700)
        self.x = display.Display(self.env["DISPLAY"])
        self.root = self.x.screen().root
        self._atoms = {n: self.x.intern_atom(n) for n in (
            "_NET_WM_NAME", "UTF8_STRING", "_NET_WM_STATE", "_NET_ACTIVE_WINDOW",
            "_NET_SYSTEM_TRAY_S0", "_NET_WM_STATE_ABOVE", "_NET_FRAME_EXTENTS")}
        self.reader = WindowReader(self.x)

    def start_wm(self, rc_text=JWMRC, with_tray=True):
        """jwm; with `with_tray` it is the tray host and this waits for it to
        take the tray selection."""
        rc = os.path.join(self.work, "jwmrc")
        with open(rc, "w") as f:
            f.write(rc_text)
        self.wm = subprocess.Popen(["jwm", "-f", rc], env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        self._note_pid(self.wm.pid)
        if with_tray:
            self.wait_for("jwm to own the tray selection _NET_SYSTEM_TRAY_S0", 10, self.has_xembed_tray)

    def has_xembed_tray(self):
        return self.x.get_selection_owner(self._atoms["_NET_SYSTEM_TRAY_S0"]) != X.NONE

    def start_program(self, env=None):
        clear_stale_faketime()
        with open(self.app_log, "wb") as log:
            # faketime runs the program as its child: the session holds both.
            # File times stay true, or fontconfig would think its caches stale
            # and rebuild them, slowing every later start.
            self.app = subprocess.Popen(
                ["faketime", "-f", "@" + self.start_time, self.program],
                env=dict(env or self.env, NO_FAKE_STAT="1"), stdout=log, stderr=subprocess.STDOUT,
                stdin=subprocess.DEVNULL, start_new_session=True, cwd=self.work)
        self.app_started = time.monotonic()
        self._note_pid(self.app.pid)
        return self

    def spawn(self, argv, env=None, **kwargs):
        """Starts a further process of the desktop in a session of its own;
        `close` ends it."""
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        if argv[0] == "faketime":
            clear_stale_faketime()
        proc = subprocess.Popen(argv, env=env or self.env, stdin=subprocess.DEVNULL,
                                start_new_session=True, **kwargs)
        self._note_pid(proc.pid)
        self.others.append(proc)
        return proc

    def _note_pid(self, pid):
        if self.pid_file:
            with open(self.pid_file, "a") as f:
                f.write("%d\n" % pid)

    def session_processes(self):
        """Pids of the processes still alive in the program's session."""
        alive = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % entry) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            # state is fields[0], session id fields[3]; zombies have ended.
            if int(fields[3]) == self.app.pid and fields[0] != "Z":
                alive.append(int(entry))
        return alive

    def close(self):
        if self.x is not None:
            try:
                self.x.close()
            except Exception:
                pass
        if self.app is not None:
            _end_group(self.app)
        for proc in reversed(self.others):
            _end_group(proc)
        for proc in (self.wm, self.xvfb):
            if proc is not None:
                _end_group(proc)
        subprocess.run(["rm", "-rf", self.work], check=False)
        # Everything started here has been waited for: nothing left to end.
        if self.pid_file and all(p is None or p.returncode is not None
                                 for p in [self.app, self.wm, self.xvfb] + self.others):
            open(self.pid_file, "w").close()

    # ---- waiting -------------------------------------------------------------

    def wait_for(self, what, timeout, probe, interval=0.05, program_may_end=False):
        """Polls `probe` until it gives a true value and returns that value."""
        trace("wait for " + what)
        deadline = time.monotonic() + timeout
        while True:
            value = probe()
            if value:
                return value
            if (not program_may_end and self.app is not None
                    and self.app.poll() is not None):
                raise StepFailed("waited for %s, but the program ended (status %s)%s"
                                 % (what, self.app.returncode, self._log_tail()))
            if time.monotonic() >= deadline:
                raise StepFailed("waited %gs for %s; program windows on screen: %s"
                                 % (timeout, what, self.visible_program_windows() or "none"))
            time.sleep(interval)

    def stays_absent(self, what, seconds, probe):
        """Fails when `probe` gives a true value within `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            found = probe()
            if found:
                raise StepFailed("%s appeared: %s" % (what, found))
            time.sleep(0.05)

    def _log_tail(self):
        try:
            with open(self.app_log, "rb") as f:
                tail = f.read()[-400:].decode("utf-8", "replace").strip()
        except OSError:
            return ""
        return "; its output ends: " + tail.replace("\n", " | ") if tail else ""

    # ---- looking at windows --------------------------------------------------

    def windows(self):
        """Every viewable window of the display, parents before children."""
        return self.reader.windows()

    def program_windows(self):
        return [w for w in self.windows() if PROGRAM_CLASS in w.wm_class]

    def visible_program_windows(self):
        return ", ".join(repr(w) for w in self.program_windows())

    def titled(self, title):
        """The viewable program window with exactly this title, or None."""
        for w in self.program_windows():
            if w.name == title:
                return w
        return None

    def tray_icons(self):
        """The program's icons: small viewable windows inside the bottom tray."""
        return [w for w in self.program_windows()
                if (not w.toplevel and 12 <= w.width <= 48 and 12 <= w.height <= 48
                    and w.y >= SCREEN[1] - TRAY_HEIGHT - 4)]

    def tray_icon(self):
        icons = self.tray_icons()
        return icons[0] if icons else None

    def menu(self):
        """The program's pop-up menu: an override-redirect top-level window."""
        for w in self.program_windows():
            if w.override and w.toplevel and w.width > 40 and w.height > 40:
                return w
        return None

    def active_window(self):
        prop = self.root.get_full_property(self._atoms["_NET_ACTIVE_WINDOW"], Xatom.WINDOW)
        return prop.value[0] if prop is not None and len(prop.value) else None

    def frame(self, win):
        """The window with the frame and title bar the window manager draws
        around it: (x, y, width, height). Where the window manager says how
        wide its frame is (_NET_FRAME_EXTENTS), from that: the window it
        frames with may be larger than what it draws (mutter's has invisible
        borders to grab). Elsewhere, the client's top-level ancestor."""
        window = self.x.create_resource_object("window", win.id)
        try:
            extents = window.get_full_property(self._atoms["_NET_FRAME_EXTENTS"], Xatom.CARDINAL)
            if extents is not None and len(extents.value) == 4:
                left, right, top, bottom = extents.value
                geometry = window.get_geometry()
                origin = self.root.translate_coords(window, 0, 0)
                return (origin.x - left, origin.y - top,
                        geometry.width + left + right, geometry.height + top + bottom)
            while True:
                parent = window.query_tree().parent
                if parent is None or parent.id == self.root.id:
                    break
                window = parent
            geometry = window.get_geometry()
            origin = self.root.translate_coords(window, 0, 0)
        except error.XError:
            return None
        return origin.x, origin.y, geometry.width, geometry.height

    def is_above(self, win):
        return self._atoms["_NET_WM_STATE_ABOVE"] in win.states

    # ---- acting as a person --------------------------------------------------

    def xdotool(self, *args):
        trace("xdotool " + " ".join(map(str, args)))
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
        if result.returncode != 0:
            raise StepFailed("xdotool %s failed: %s" % (" ".join(map(str, args)),
                                                        result.stderr.decode().strip()))
        return result.stdout.decode().strip()

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def click(self, x, y, button=1):
        # No --sync: it waits for a motion that never comes when the pointer
        # is already there.
        self.xdotool("mousemove", x, y, "click", button)

    def click_tray_icon(self, button):
        icon = self.wait_for("the tray icon", 5, self.tray_icon)
        trace("the tray icon %x at %s" % (icon.id, icon.centre))
        self.click(*icon.centre, button=button)
        return icon

    def open_menu(self):
        """Right click on the tray icon; returns the menu once it is up."""
        self.click_tray_icon(3)
        menu = self.wait_for("the pop-up menu after a right click on the tray icon", 5, self.menu)
        time.sleep(0.2)  # let the menu take the keyboard before keys go to it
        return menu

    def choose_exit(self):
        """Chooses the last item, 退出, of the tray menu from the keyboard."""
        self.open_menu()
        self.key("Up", "Return")

    def answer_box(self, title, timeout):
        """Waits for the box with this title, answers it with Return, and
        waits for it to go. Returns the box as it was seen."""
        box = self.wait_for("a box titled %r" % title, timeout, lambda: self.titled(title))
        self.xdotool("windowactivate", "--sync", box.id)
        self.key("Return")
        self.wait_for("the box %r to close after Return" % title, 5,
                      lambda: not any(w.id == box.id for w in self.program_windows()))
        return box

    def await_program_end(self, timeout):
        self.wait_for("the program to end", timeout, lambda: self.app.poll() is not None,
                      program_may_end=True)
        return self.app.returncode


def clear_stale_faketime():
    """libfaketime's wrapper names a semaphore and a piece of shared memory
    after its own process id, and removes them as it ends; one that is
    killed leaves them behind, and a later wrapper given the same id refuses
    to start ("sem_open: File exists"). Those of processes that are gone
    are removed before a wrapper starts."""
    for name in os.listdir("/dev/shm"):
        for prefix in ("sem.faketime_sem_", "faketime_shm_"):
            pid = name[len(prefix):] if name.startswith(prefix) else ""
            if pid.isdigit() and not os.path.exists("/proc/" + pid):
                try:
                    os.unlink(os.path.join("/dev/shm", name))
                except OSError:
                    pass


def _end_group(proc):
    """Ends a process started in its own session, and everything in it."""
    try:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGTERM)
            try:
                proc.wait(timeout=3)
            except subprocess.TimeoutExpired:
                pass
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    try:
        proc.wait(timeout=3)
    except subprocess.TimeoutExpired:
        pass
