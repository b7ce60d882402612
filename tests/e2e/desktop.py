"""The desktops Tockmere's end-to-end tests run on (DESKTOPS, one row each), the
one way to start a session from a row, and the one driver of it.

A session is a virtual X server (Xvfb; on a Wayland row, sway without a screen,
with Xwayland), a private session bus where the row or a reader needs one, the
row's window manager and tray host, the screen reader a case asks for
(reader.py), and the built program, its clock set by libfaketime (preloaded,
so that the program's own exit status is seen). The session is a user of its
own: its home, runtime, configuration and cache folders are its own folder.
Everything a case does to the program goes through xdotool (on sway also
wtype and swaymsg) or, on a StatusNotifierItem tray, through the bus as the
tray host does (sni.py). Python's Xlib only reads windows; it sends nothing.
"""

import collections
import glob
import json
import os
import pwd
import select
import shlex
import signal
import subprocess
import sys
import tempfile
import time

from Xlib import X, Xatom, display, error

PROGRAM_CLASS = "tockmere"
MAIN_TITLE = "Tockmere Beta 1.1"
NOTICE_TITLE = "提醒信息"
COUNT_TITLE = "Tockmere"
SCREEN = (1024, 768)
TRAY_HEIGHT = 32
LIBFAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
PACE = 0.3  # seconds between a person's inputs, at the least
HERE = os.path.dirname(os.path.abspath(__file__))  # for a row's helper program

# jwm with a task bar at the bottom; {dock} is its notification area or nothing.
JWMRC = """<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="%d" autohide="off"><TaskList maxwidth="256"/>{dock}</Tray>
  <WindowStyle><Font>WenQuanYi Zen Hei-10</Font></WindowStyle>
  <TrayStyle><Font>WenQuanYi Zen Hei-10</Font></TrayStyle>
</JWM>
""" % TRAY_HEIGHT
JWM_TRAY = {"jwmrc": JWMRC.replace("{dock}", "<Dock/>")}
JWM_BAR = {"jwmrc": JWMRC.replace("{dock}", "")}
JWM = ["jwm", "-f", "{work}/jwmrc"]
TINT2 = ["tint2", "-c", "/etc/xdg/tint2/tint2rc"]
I3_CONFIG = """font pango:WenQuanYi Zen Hei 10
bar {
    status_command true
    tray_output primary
    position bottom
}
"""
# xfce4-panel with its systray plugin alone, the watcher and host of the
# items; its settings daemon, started by the bus, reads this too.
XFCE_PANEL = {"config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml": """\
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""}
SWAY = {"sway.conf": "xwayland enable\noutput HEADLESS-1 resolution 1024x768\n"
                     "exec waybar -c {work}/waybar.json\n",
        "waybar.json": json.dumps({"layer": "top", "position": "bottom", "height": 30,
                                   "modules-right": ["tray"], "tray": {"spacing": 4}})}

# One row per desktop tested:
#   wm      the window manager's command ({work}: the session's folder); the
#           session waits for it to set _NET_SUPPORTING_WM_CHECK, or, where
#           it hosts the tray itself, for the tray
#   tray    what hosts the program's icon: "xembed" (an X11 notification
#           area), "sni" (a StatusNotifierItem host on the bus) or None
#   panel   the command of the panel that hosts it, where the wm does not
#   bus     "session" (its address given to the program), "user" (only at
#           $XDG_RUNTIME_DIR/bus, as in a systemd user session) or None; a
#           reader, when a case asks for one, brings a session bus anyway
#   scale   the screen's: 2 is 200 % (Xft.dpi 192, where Qt reads it)
#   files   written into the session's folder before the wm starts
#   env     the wm's own variables
#   user    the user the case runs as, made for it (sway refuses root)
#   screen  the display's screen it is on: 1 is the second, of two
#   known   what the cases know of the desktop:
#             title_font, title_buttons: the frame's title font, and how many
#               squares as wide as the title bar is high sit beside the title
#             client_at_least_title_bar: the wm keeps a client at least as
#               high as its title bar, however small it asks to be
#             reminder_unchecked: the reminder's part of hide_and_restore is
#               not run there
#             frame_told_late: the wm frames a window, and tells its frame,
#               only a while after mapping it; its frame counts once told
# A new desktop is a new row; a case runs on the rows main.py names for it.
Row = collections.namedtuple("Row", "wm tray panel bus scale files env user known screen",
                             defaults=(None, None, 1, {}, {}, None, {}, 0))
XFCE4_PANEL = ["xfce4-panel", "--disable-wm-check"]
FLUXBOX = ["fluxbox", "-no-slit", "-rc", "{work}/fluxbox-init"]
# The style leaves the background alone (the user's overlay, in a home
# where fluxbox has been before): else fluxbox looks for a program to set
# it with and, finding none, says so in a window that takes the focus at
# some moment of the start.
FLUXBOX_FILES = {".fluxbox/overlay": "background: unset\n"}

DESKTOPS = {
    "jwm": Row(JWM, "xembed", files=JWM_TRAY),
    # jwm's task bar alone (tray_goes_away_while_hidden turns to it).
    "jwm_no_tray": Row(JWM, None, files=JWM_BAR),
    # jwm on the second screen of a display (DISPLAY=:n.1), its tray there.
    "jwm_screen_1": Row(JWM, "xembed", files=JWM_TRAY, screen=1),
    # openbox's stock theme, with its title bar of the window's icon, the
    # title, and three buttons (NLIMC).
    "openbox": Row(["openbox", "--config-file", "/etc/xdg/openbox/rc.xml"], "xembed", TINT2,
                   known={"title_font": "sans bold 8", "title_buttons": 4}),
    # Tiling; it floats a window of fixed size, and places a window shown
    # again by its old client position. i3bar's tray.
    "i3": Row(["i3", "-c", "{work}/i3config"], "xembed", files={"i3config": I3_CONFIG},
              known={"reminder_unchecked": True}),
    # GNOME's, on X11: a title bar twice as tall, no side borders, and
    # invisible borders to grab.
    "mutter": Row(["mutter", "--x11", "--replace", "--sm-disable"], "xembed", TINT2),
    # Xfce's, its stock theme, no compositor.
    "xfwm4": Row(["xfwm4", "--compositor=off", "--sm-client-disable"], "xembed", TINT2),
    # Plasma's, no compositor; its Breeze title bar is the tallest here.
    "kwin": Row(["kwin_x11", "--replace"], "xembed", TINT2, env={"KWIN_COMPOSE": "N"},
                known={"client_at_least_title_bar": True}),
    # Its own notification area in its toolbar; no slit. As on i3, a
    # reminder is not among what is checked on it (see the read-me's table).
    "fluxbox": Row(FLUXBOX, "xembed", files=FLUXBOX_FILES, known={"reminder_unchecked": True}),
    "fluxbox_200": Row(FLUXBOX, "xembed", scale=2, files=FLUXBOX_FILES,
                       known={"reminder_unchecked": True}),
    # GNOME's at 200 %, its title bar of an odd height in the screen's pixels.
    "mutter_200": Row(["mutter", "--x11", "--replace", "--sm-disable"], "xembed", TINT2, scale=2),
    # A window manager that frames a window 0.8 s after mapping it, as a busy
    # one may; trayer's notification area.
    "late_frame_200": Row(["/usr/bin/python3", os.path.join(HERE, "late_frame_wm.py"), "0.8"],
                          "xembed", ["trayer"], scale=2, known={"frame_told_late": True}),
    # jwm's task bar, xfce4-panel's StatusNotifierItem tray.
    "xfce4_panel": Row(JWM, "sni", XFCE4_PANEL, "session", files=dict(JWM_BAR, **XFCE_PANEL)),
    "xfce4_panel_user_bus": Row(JWM, "sni", XFCE4_PANEL, "user",
                                files=dict(JWM_BAR, **XFCE_PANEL)),
    # Headless, with Xwayland; waybar, which sway starts, hosts the item.
    "sway": Row(["sway", "-c", "{work}/sway.conf"], "sni", bus="session", files=SWAY,
                env={"WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman",
                     "WLR_LIBINPUT_NO_DEVICES": "1", "XDG_SESSION_TYPE": "wayland"},
                user="tockmere-e2e"),
}

TRACE = bool(os.environ.get("TOCKMERE_E2E_TRACE"))
_T0 = time.monotonic()


def trace(text):
    """With TOCKMERE_E2E_TRACE set, tells on stderr what the test does and when."""
    if TRACE:
        sys.stderr.write("%7.2f %s\n" % (time.monotonic() - _T0, text))


class StepFailed(Exception):
    """A step of a test did not see what it waited for."""


class Win:
    """What the tests need to know of one X window, read at one moment."""

    def __init__(self, wid, name, wm_class, x, y, width, height, override, toplevel, states):
        self.id, self.name, self.wm_class = wid, name, wm_class
        self.x, self.y, self.width, self.height = x, y, width, height
        self.override, self.toplevel, self.states = override, toplevel, states

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
                    found.append(Win(child.id, self.name(child), child.get_wm_class() or (),
                                     origin.x, origin.y, geometry.width, geometry.height,
                                     bool(attrs.override_redirect), parent_is_root,
                                     self.states(child)))
                except error.XError:
                    continue  # gone while we looked
                walk(child, False)

        walk(self.root, True)
        return found

    def name(self, window):
        """The window's title (_NET_WM_NAME, else WM_NAME), or None."""
        for prop, kind, code in ((self.x.get_atom("_NET_WM_NAME"), self.x.get_atom("UTF8_STRING"),
                                  "utf-8"), (Xatom.WM_NAME, X.AnyPropertyType, "latin-1")):
            value = getattr(window.get_full_property(prop, kind), "value", None)
            if value:
                return value.decode(code, "replace") if isinstance(value, bytes) else str(value)
        return None

    def states(self, window):
        prop = window.get_full_property(self.x.get_atom("_NET_WM_STATE"), Xatom.ATOM)
        return set(prop.value) if prop is not None else set()


class Adopted:
    """The program as sway's exec starts it: a process found, not a child."""

    def __init__(self, pid):
        self.pid, self.returncode = pid, None

    def poll(self):
        if _read("/proc/%d/stat" % self.pid).rpartition(")")[2].split()[:1] in ([], ["Z"]):
            self.returncode = "unknown"  # ended
        return self.returncode


class Desktop:
    """One session started from a row of DESKTOPS; `close` ends all it started.
    `reader` is None, "atspi" (a screen reader's view, reader.py) or "orca"."""

    def __init__(self, program, start_time, pid_file=None, row="jwm", reader=None):
        self.row = DESKTOPS[row]
        self.scale, self.known, self.screen = self.row.scale, self.row.known, self.row.screen
        self.program, self.start_time = os.path.abspath(program), start_time
        self.pid_file, self.reader = pid_file, reader
        self.work = tempfile.mkdtemp(prefix="tockmere-e2e.")
        os.chmod(self.work, 0o700)
        self.procs = []
        self.x = self.app = self.wm = self.panel = self.xvfb = self.bus = self.a11y = None
        self._probe = None
        self.last_input = 0.0  # when the last key or click was given
        self.app_log = os.path.join(self.work, "tockmere.log")
        self.env = {k: v for k, v in os.environ.items() if k not in (
            "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY")}
        self.env.update(HOME=self.work, XDG_RUNTIME_DIR=self.work, TZ="UTC",
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_CACHE_HOME=os.path.join(self.work, "cache"),
                        # No sound server: a reminder told here is never heard
                        # on the developer's own (edges.reminder_heard has one).
                        PULSE_SERVER="unix:" + os.path.join(self.work, "no-sound-server"))

    # ---- start and stop ------------------------------------------------------

    def start(self, program=True):
        """The whole session from its row; the program too unless told not."""
        if self.row.wm[0] != "sway":
            self.start_display()
        if self.row.bus or self.reader:
            self.start_bus()
        if self.reader:
            import reader
            self.a11y = reader.Reader(self)
        self.start_wm()
        if self.reader == "orca":
            self.a11y.start_orca()
        if program:
            self.start_program()
        return self

    def start_display(self):
        read_end, write_end = os.pipe()
        screens = [a for n in range(self.screen + 1) for a in ("-screen", str(n), "%dx%dx24" % SCREEN)]
        self.xvfb = self.spawn(["Xvfb", "-displayfd", str(write_end)] + screens + ["-nolisten", "tcp"],
                               pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as told:  # Xvfb writes its number and a newline at once
            number = told.readline().strip() if select.select([told], [], [], 10)[0] else ""
        if not number:
            raise StepFailed("Xvfb did not report a display number")
        self.env["DISPLAY"] = ":%s.%d" % (number, self.screen)
        self.x = display.Display(self.env["DISPLAY"])
        self.root = self.x.screen().root
        self.xwin = WindowReader(self.x)
        if self.scale != 1:  # where Qt reads the desktop's scale
            self.root.change_property(self.x.get_atom("RESOURCE_MANAGER"), Xatom.STRING, 8,
                                      b"Xft.dpi:\t%d\n" % (96 * self.scale))
            self.x.sync()

    def start_bus(self):
        import dbus
        listen = ["--address=unix:path=" + os.path.join(self.work, "bus")]
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"]
                         + (listen if self.row.bus == "user" else []), stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise StepFailed("the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.bus = dbus.bus.BusConnection(address)

    def start_wm(self):
        """The row's window manager, then its tray host; waits for both."""
        for path, text in self.row.files.items():
            path = os.path.join(self.work, path)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text.replace("{work}", self.work))
        argv = [a.replace("{work}", self.work) for a in self.row.wm]
        with open(os.path.join(self.work, "wm.log"), "ab") as log:
            self.wm = self.spawn(argv, env=dict(self.env, **self.row.env), stderr=log)
        if argv[0] == "sway":
            self.env["SWAYSOCK"] = self.wait_for("sway's IPC socket", 15, lambda: glob.glob(
                os.path.join(self.work, "sway-ipc.*.sock")))[0]
        elif self.row.panel or self.row.tray != "xembed":
            self.wait_for(argv[0] + " to manage the screen", 20, self.wm_manages)
        self.start_tray()

    def start_tray(self):
        """The row's panel, where the window manager hosts no tray itself."""
        if self.row.panel:
            self.panel = self.spawn(self.row.panel)
        if self.row.tray == "xembed":
            selection = "_NET_SYSTEM_TRAY_S%d" % self.screen
            self.wait_for("a tray host to own " + selection, 10,
                          lambda: self.x.get_selection_owner(self.x.get_atom(selection)) != X.NONE)
        elif self.row.tray == "sni":
            import sni
            self.wait_for("a StatusNotifierHost on the bus", 20, lambda: sni.host_registered(self))

    def wm_manages(self):
        """A window manager says it manages the screen, through a window alive."""
        prop = self.root.get_full_property(self.x.get_atom("_NET_SUPPORTING_WM_CHECK"),
                                           Xatom.WINDOW)
        try:
            self.x.create_resource_object("window", prop.value[0]).get_geometry()
            return True
        except (AttributeError, IndexError, error.XError):
            return False

    def program_env(self, **changes):
        """The program's environment, `changes` made (None takes a variable away)."""
        env = dict(self.env, LD_PRELOAD=LIBFAKETIME, FAKETIME="@" + self.start_time,
                   NO_FAKE_STAT="1")  # true file times: fontconfig's caches stay fresh
        if self.row.bus == "user":
            del env["DBUS_SESSION_BUS_ADDRESS"]
        env.update(changes)
        return {k: v for k, v in env.items() if v is not None}

    def start_program(self, wrap=(), **env):
        """The program in a session of its own, `wrap` before it on its command
        line; on sway, as sway's exec starts programs (the faketime variables
        and `env` alone added)."""
        if "SWAYSOCK" in self.env:
            extra = dict(LD_PRELOAD=LIBFAKETIME, FAKETIME="@" + self.start_time, NO_FAKE_STAT="1",
                         **env)
            self.swaymsg("exec", "env %s %s >%s 2>&1" % (" ".join(
                "%s=%s" % (k, shlex.quote(v)) for k, v in extra.items()), self.program,
                self.app_log))
            self.app = Adopted(self.wait_for("the program to start", 20, lambda: processes(
                lambda proc, stat: _read(proc + "/cmdline").split("\0")[0] == self.program))[0])
        else:
            with open(self.app_log, "ab") as log:
                self.app = self.spawn(list(wrap) + [self.program], env=self.program_env(**env),
                                      stdout=log, stderr=subprocess.STDOUT, cwd=self.work)
        self.app_started = time.monotonic()
        return self

    def start_again(self, **env):
        """The program started once more, as a launcher would: it hands over
        to the one running and ends. Returns its exit status."""
        again = self.spawn([self.program], env=self.program_env(**env))
        self.wait_for("the second start to end", 10, lambda: again.poll() is not None)
        return again.returncode

    def spawn(self, argv, env=None, **kwargs):
        """A further process of the session, leading a session of its own;
        `close` ends it, and run.sh should this process be killed."""
        for stream in ("stdin", "stdout", "stderr"):
            kwargs.setdefault(stream, subprocess.DEVNULL)
        proc = subprocess.Popen(argv, env=env or self.env, start_new_session=True, **kwargs)
        if self.pid_file:
            with open(self.pid_file, "a") as f:
                f.write("%d\n" % proc.pid)
        self.procs.append(proc)
        return proc

    def session_processes(self):
        """Pids of the processes still alive in the program's session."""
        return processes(lambda proc, stat: int(stat[3]) == self.app.pid)

    def close(self):
        if self.x is not None:
            try:
                self.x.close()
            except Exception:
                pass
        if self.bus is not None:
            self.bus.close()
        for proc in reversed(self.procs):
            end_group(proc)
        if self.row.user:  # the user is this case's alone: all it runs goes
            for pid in processes(lambda proc, stat: os.stat(proc).st_uid == os.getuid()):
                if pid != os.getpid():
                    try:
                        os.kill(pid, signal.SIGKILL)
                    except ProcessLookupError:
                        pass
        subprocess.run(["rm", "-rf", self.work], check=False)
        if self.pid_file and all(p.returncode is not None for p in self.procs):
            open(self.pid_file, "w").close()  # nothing left to end

    # ---- waiting -------------------------------------------------------------

    def wait_for(self, what, timeout, probe, program_may_end=False, failure=None):
        """Polls `probe` until it gives a true value, and returns that value;
        past `timeout` fails, saying `failure()` where given."""
        trace("wait for " + what)
        deadline = time.monotonic() + timeout
        while True:
            value = probe()
            if value:
                return value
            if not program_may_end and self.app is not None and self.app.poll() is not None:
                raise StepFailed("waited for %s, but the program ended (status %s)%s"
                                 % (what, self.app.returncode, self.log_tail()))
            if time.monotonic() >= deadline:
                raise StepFailed(failure() if failure else "waited %gs for %s; program windows "
                                 "on screen: %s" % (timeout, what, self.on_screen() or "none"))
            time.sleep(0.05)

    def stays_absent(self, what, seconds, probe):
        """Fails as soon as `probe` gives a true value within `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            found = probe()
            if found:
                raise StepFailed("%s appeared: %s" % (what, found))
            time.sleep(0.05)

    def log_tail(self):
        tail = _read(self.app_log)[-400:].strip()
        return "; its output ends: " + tail.replace("\n", " | ") if tail else ""

    # ---- looking at windows --------------------------------------------------

    def on_screen(self):
        if "SWAYSOCK" in self.env:
            return ", ".join("%r (%s%s)" % (v[0], v[1], ", focused" if v[3] else "")
                             for v in self.views() if v[2])
        return ", ".join(repr(w) for w in self.program_windows())

    def program_windows(self):
        return [w for w in self.xwin.windows() if PROGRAM_CLASS in w.wm_class]

    def titled(self, title):
        """The viewable program window with exactly this title, or None."""
        return next((w for w in self.program_windows() if w.name == title), None)

    def tray_icons(self):
        """The program's icons: small viewable windows inside the bottom tray."""
        return [w for w in self.program_windows()
                if (not w.toplevel and 12 <= w.width <= 48 and 12 <= w.height <= 48
                    and w.y >= SCREEN[1] - TRAY_HEIGHT - 4)]

    def tray_icon(self):
        return next(iter(self.tray_icons()), None)

    def menus(self):
        """The program's pop-up menus: override-redirect top-level windows."""
        return [w for w in self.program_windows()
                if w.override and w.toplevel and w.width > 40 and w.height > 40]

    def menu(self):
        return next(iter(self.menus()), None)

    def grabbed(self):
        """Whether a client holds the keyboard or the pointer, as a menu that
        is up does: asked by grabbing them for a window never mapped, which
        the server refuses as AlreadyGrabbed, else as not viewable: nothing
        is taken from anyone."""
        if self._probe is None:
            self._probe = self.root.create_window(0, 0, 1, 1, 0, X.CopyFromParent, X.InputOnly)
        return X.AlreadyGrabbed in (
            self._probe.grab_keyboard(False, X.GrabModeAsync, X.GrabModeAsync, X.CurrentTime),
            self._probe.grab_pointer(False, 0, X.GrabModeAsync, X.GrabModeAsync, X.NONE, X.NONE,
                                     X.CurrentTime))

    def active_window(self):
        prop = self.root.get_full_property(self.x.get_atom("_NET_ACTIVE_WINDOW"), Xatom.WINDOW)
        return prop.value[0] if prop is not None and len(prop.value) else None

    def frame(self, win):
        """The window with the frame the window manager draws round it: (x, y,
        width, height). Where the window manager says how wide its frame is
        (_NET_FRAME_EXTENTS), from that: the window it frames with may be
        larger than what it draws (mutter's has invisible borders to grab).
        Elsewhere, the client's top-level ancestor. None while there is no
        window, as between a restore and the window's mapping."""
        if win is None:
            return None
        window = self.x.create_resource_object("window", win.id)
        try:
            extents = window.get_full_property(self.x.get_atom("_NET_FRAME_EXTENTS"),
                                               Xatom.CARDINAL)
            left = right = top = bottom = 0
            if extents is not None and len(extents.value) == 4:
                left, right, top, bottom = extents.value
            elif self.known.get("frame_told_late"):
                return None
            else:
                while (parent := window.query_tree().parent) and parent.id != self.root.id:
                    window = parent
            geometry = window.get_geometry()
            origin = self.root.translate_coords(window, 0, 0)
        except error.XError:
            return None
        return (origin.x - left, origin.y - top, geometry.width + left + right,
                geometry.height + top + bottom)

    def is_above(self, win):
        return self.x.get_atom("_NET_WM_STATE_ABOVE") in win.states

    # ---- sway's windows ------------------------------------------------------

    def swaymsg(self, *args):
        return self.tool("swaymsg", *args, quiet=args[:1] == ("-t",))

    def views(self):
        """The windows in sway's tree: (name, shell, visible, focused, rect)."""
        found = []

        def walk(node):
            if node.get("type") in ("con", "floating_con") and node.get("name") is not None \
                    and not node.get("nodes") and not node.get("floating_nodes"):
                r = node["rect"]
                found.append((node["name"], node.get("shell"), node.get("visible"),
                              node.get("focused"), (r["x"], r["y"], r["width"], r["height"])))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(self.swaymsg("-t", "get_tree", "-r")))
        return found

    def view(self, name):
        return next((v for v in self.views() if v[0] == name), None)

    # ---- acting as a person --------------------------------------------------

    def tool(self, *argv, quiet=False):
        """Runs an input tool (xdotool, wtype, swaymsg); its output. `quiet`:
        a question, not an input."""
        if not quiet:
            trace(" ".join(map(str, argv)))
        result = subprocess.run([str(a) for a in argv], env=self.env, capture_output=True,
                                timeout=20)
        if not quiet:
            self.last_input = time.monotonic()
        if result.returncode != 0:
            raise StepFailed("%s failed: %s" % (" ".join(map(str, argv)),
                                                result.stderr.decode().strip()))
        return result.stdout.decode().strip()

    def xdotool(self, *args):
        # mousemove goes to the first screen unless told the desktop's
        args = [b for a in args for b in ((a, "--screen", str(self.screen)) if a == "mousemove" else (a,))]
        return self.tool("xdotool", *args)

    def wtype(self, *args):
        """Keys on Wayland's virtual keyboard, new to the program at each run:
        pauses around them let its key map arrive first."""
        self.tool("wtype", "-s", "300", *args, "-s", "300")

    def seat_click(self, x, y, button):
        """A click of sway's seat: no input device of the compositor needed."""
        for action in (("set", x, y), ("press", button), ("release", button)):
            self.swaymsg("seat", "-", "cursor", *map(str, action))

    def type(self, text):
        self.keys_for(text)
        self.xdotool("type", "--delay", "40", text)

    def keys_for(self, text):
        """Gives each character of `text` missing from the key map a spare key
        of its own, kept. Else xdotool maps one for each character and takes it
        back at once, and a program that reads the map after that reads the
        key as nothing: the character is lost (seen under load). Looked at
        before each typing, since a window manager may load a map of its own."""
        low = self.x.display.info.min_keycode
        keymap = self.x.get_keyboard_mapping(low, self.x.display.info.max_keycode - low + 1)
        mapped = {sym for syms in keymap for sym in syms}
        spare = (low + i for i in reversed(range(len(keymap))) if not any(keymap[i]))
        for sym in sorted({0x1000000 | ord(c) for c in text if ord(c) > 0x7f} - mapped):
            code = next(spare, None)
            if code is None:
                raise StepFailed("no spare key left to type %r" % chr(sym & 0xffffff))
            self.x.change_keyboard_mapping(code, [(sym,) * len(keymap[0])])
        self.x.sync()

    def fill(self, *texts):
        """Types each text, and a Tab after it: field after field."""
        for text in texts:
            self.type(text)
            self.key("Tab")

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def click_tray_icon(self, button):
        """A click on the icon, at a person's pace as xdotool paces keys: not
        within 0.3 s of the last key or click (the program does not hear one
        that comes a few milliseconds after a choice in its menu)."""
        icon = self.wait_for("the tray icon", 5, self.tray_icon)
        time.sleep(max(0.0, self.last_input + PACE - time.monotonic()))
        # No --sync: it waits for a motion that never comes when the pointer
        # is already there.
        self.xdotool("mousemove", icon.centre[0], icon.centre[1], "click", button)
        return icon

    def open_menu(self):
        """Right click on the tray icon; returns the menu once it is up and
        holds the keyboard."""
        self.click_tray_icon(3)
        menu = self.wait_for("the pop-up menu after a right click on the tray icon", 5, self.menu)
        self.wait_for("the menu to take the keyboard", 3, self.grabbed)
        return menu

    def menu_gone(self, what):
        """The menu closed, `what` closing it, and its hold on the keyboard
        and the pointer gone: keys and clicks go where they would."""
        self.wait_for("the menu to close " + what, 3,
                      lambda: self.menu() is None and not self.grabbed())

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


def local_user(name):
    """The local user `name`, made where there is none (a system user, no home)."""
    try:
        return pwd.getpwnam(name)
    except KeyError:
        subprocess.run(["/usr/sbin/useradd", "--system", "--no-create-home", "--shell",
                        "/usr/sbin/nologin", name], check=True)
        return pwd.getpwnam(name)


def processes(test):
    """Pids of the live processes for whose /proc folder and stat fields
    (after the command's name) `test` is true."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        stat = _read("/proc/%s/stat" % pid).rpartition(")")[2].split()
        try:
            if stat and stat[0] != "Z" and test("/proc/" + pid, stat):
                found.append(int(pid))
        except OSError:
            pass  # gone while we looked
    return found


def _read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def end_group(proc):
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
