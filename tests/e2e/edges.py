"""Tockmere at its edges with the system, end to end on jwm's desktop: the
time zone changed while it runs (in a mount namespace of its own, another
zone bound over /etc/localtime), the X server going away, the signals that
ask it to end, and another local user's files where it keeps its single
instance (a user made for the test, removed after).

The program is started here without faketime's wrapper (libfaketime is
preloaded instead), so that its own exit status is seen: the wrapper would
turn a death by a signal into status 1.

The cases are run by main.py.
"""

import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time

from cases import COUNT_TITLE, arm_one, check, firing_box, type_reminder, wait_main_ready
from desktop import Desktop, StepFailed, clear_stale_faketime

LIBFAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
ZONES = "/usr/share/zoneinfo"
OTHER_USER = "tockmere-e2e-other"


class EdgeDesktop(Desktop):
    """jwm's desktop; the program runs with libfaketime preloaded, as its
    own process, in a session of its own."""

    def program_env(self, env=None):
        env = dict(env or self.env)
        env.update(LD_PRELOAD=LIBFAKETIME, FAKETIME="@" + self.start_time, NO_FAKE_STAT="1")
        return env

    def start_program(self, env=None, argv=None):
        clear_stale_faketime()
        with open(self.app_log, "ab") as log:
            self.app = subprocess.Popen(
                (argv or []) + [self.program], env=self.program_env(env), stdout=log,
                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, start_new_session=True,
                cwd=self.work)
        self.app_started = time.monotonic()
        self._note_pid(self.app.pid)
        return self

    def place_files(self):
        """The single instance's lock and socket in the runtime folder."""
        return sorted(n for n in os.listdir(self.env["XDG_RUNTIME_DIR"])
                      if n.endswith(".lock") or n.endswith(".socket"))


def ended_by_itself(d, status, what):
    """The program ended with an exit status of its own, not by a signal,
    and left no process behind."""
    check(status >= 0, "the program %s ended by signal %d%s" % (what, -status, d._log_tail()))
    d.wait_for("every process of the program to end", 3, lambda: not d.session_processes(),
               program_may_end=True)


def display_goes_away(d):
    d.start()
    wait_main_ready(d)
    arm_one(d, "42", "开会")
    d.wait_for("the tray icon after arming", 2, d.tray_icon)
    d.x.close()
    d.x = None
    d.xvfb.kill()
    d.xvfb.wait(timeout=5)
    status = d.await_program_end(10)
    ended_by_itself(d, status, "whose display went away")
    check(not d.place_files(), "left after the display went away: %s" % d.place_files())


def end_signals(d):
    d.start()
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        name = signal.Signals(number).name
        if d.app.poll() is not None:
            d.start_program()
        wait_main_ready(d)
        d.wait_for("the tray icon", 5, d.tray_icon)
        check(d.place_files(), "no lock or socket while the program runs")
        d.app.send_signal(number)
        status = d.await_program_end(5)
        check(status == 0, "the program ended with status %s on %s%s"
              % (status, name, d._log_tail()))
        d.wait_for("the tray icon to go after %s" % name, 3, lambda: d.tray_icon() is None,
                   program_may_end=True)
        check(not d.place_files(), "left after %s: %s" % (name, d.place_files()))
        d.start_program()


class ZoneDesktop(EdgeDesktop):
    """The program in a mount namespace of its own, its zone from
    /etc/localtime (no TZ): UTC at the start."""

    def start(self):
        self.start_display()
        self.start_wm()
        del self.env["TZ"]
        bind = 'mount --bind %s/Etc/UTC /etc/localtime && exec "$0"' % ZONES
        return self.start_program(argv=["unshare", "-m", "--propagation", "private",
                                        "sh", "-c", bind])

    def set_zone(self, zone):
        subprocess.run(["nsenter", "-t", str(self.app.pid), "-m", "mount", "--bind",
                        os.path.join(ZONES, zone), "/etc/localtime"], check=True)


def zone_change(d):
    """At 9:41 UTC the zone becomes Asia/Shanghai (UTC+8): a reminder for
    17:42 is told a few seconds later, once."""
    d.start()
    wait_main_ready(d)
    d.set_zone("Asia/Shanghai")
    type_reminder(d, "17", "42", "换时区")
    d.key("space")
    d.answer_box(COUNT_TITLE, 5)
    box = firing_box(d, " 17:42:00啦!", 20)
    elapsed = time.monotonic() - d.app_started
    check(elapsed >= 14, "the reminder for 17:42 came %.1fs after a start at 9:41:45 UTC" % elapsed)
    d.answer_box(box.name, 1)
    d.stays_absent("a reminder told twice", 1.5,
                   lambda: next((w for w in d.program_windows()
                                 if w.name and w.name.endswith("啦!")), None))
    d.app.send_signal(signal.SIGTERM)
    d.await_program_end(5)


# Run as the other user: puts a folder open to all, a link to a folder of
# its own, or a file open to all at the private folder's place; in that
# folder, and where the program kept its lock and socket before it had a
# folder of its own (the temporary folder and /tmp), holds a lock on a lock
# file open to all and listens on a socket. Says "ready", and at the end of
# its standard input how many connections reached its sockets.
PLANT = r"""
import fcntl, os, socket, sys
kind, place, key = sys.argv[1:4]
own = os.path.join(os.environ["OTHER_HOME"], "plant")
os.makedirs(own, exist_ok=True)
held, listeners = [], []
def hold(folder):
    lock = os.open(os.path.join(folder, key + ".lock"), os.O_RDWR | os.O_CREAT, 0o666)
    os.fchmod(lock, 0o666)
    fcntl.flock(lock, fcntl.LOCK_EX)
    held.append(lock)
    path = os.path.join(folder, key + ".socket")
    if os.path.lexists(path):
        os.unlink(path)
    s = socket.socket(socket.AF_UNIX)
    s.bind(path)
    os.chmod(path, 0o777)
    s.listen(8)
    s.setblocking(False)
    listeners.append(s)
if kind == "folder":
    os.mkdir(place)
    os.chmod(place, 0o777)
    hold(place)
elif kind == "link":
    os.symlink(own, place)
    hold(own)
else:
    open(place, "w").close()
    os.chmod(place, 0o666)
hold(os.path.dirname(place))
hold("/tmp")
print("ready", flush=True)
sys.stdin.read()
count = 0
for s in listeners:
    try:
        while True:
            s.accept()[0].close()
            count += 1
    except BlockingIOError:
        pass
print(count, flush=True)
"""


def other_user():
    try:
        return pwd.getpwnam(OTHER_USER)
    except KeyError:
        subprocess.run(["/usr/sbin/useradd", "--system", "--no-create-home", "--shell",
                        "/usr/sbin/nologin", OTHER_USER], check=True)
        return pwd.getpwnam(OTHER_USER)


def other_users_files(d):
    """Another user puts a flocked lock open to all, a link, a folder open
    to all or a listening socket where the program would keep its single
    instance; the program starts, shows its window, and a second start
    hands over to it, every time."""
    user = other_user()
    shared = tempfile.mkdtemp(prefix="tockmere-e2e-tmp.")
    home = tempfile.mkdtemp(prefix="tockmere-e2e-other.")
    plants = []
    try:
        os.chmod(shared, 0o1777)  # as /tmp: anyone writes, each removes only their own
        os.chown(home, user.pw_uid, user.pw_gid)
        d.start_display()
        d.start_wm()
        key = "tockmere-%d-%s" % (os.getuid(), d.env["DISPLAY"])
        place = os.path.join(shared, "tockmere-%d" % os.getuid())
        # Programs of an older version kept their lock and socket in /tmp
        # under this name; the other user plants its own there.
        for ending in (".lock", ".socket"):
            if os.path.lexists(os.path.join("/tmp", key + ending)):
                os.unlink(os.path.join("/tmp", key + ending))
        plain = dict(d.env, TMPDIR=shared)
        del plain["XDG_RUNTIME_DIR"]
        for kind, env in (("folder", plain), ("link", plain), ("file", plain),
                          ("folder", dict(plain, XDG_RUNTIME_DIR=home))):
            if os.path.lexists(place):
                subprocess.run(["rm", "-rf", place], check=True)
            plant = subprocess.Popen(
                ["/usr/sbin/runuser", "-u", OTHER_USER, "--", "/usr/bin/python3", "-c", PLANT,
                 kind, place, key],
                env={"PATH": "/usr/bin:/bin", "OTHER_HOME": home},
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                start_new_session=True)
            plants.append(plant)
            d._note_pid(plant.pid)
            if plant.stdout.readline().strip() != b"ready":
                plant.kill()
                raise StepFailed("the other user could not plant a %s: %s" % (
                    kind, plant.stderr.read().decode(errors="replace").strip()[-300:]))
            what = "%s of the other user%s" % (
                kind, ", XDG_RUNTIME_DIR the other user's" if "XDG_RUNTIME_DIR" in env else "")
            d.start_program(env)
            try:
                wait_main_ready(d)
            except StepFailed as failure:
                raise StepFailed("with a %s: %s" % (what, failure))
            again = d.spawn([d.program], env=d.program_env(env))
            try:
                d.wait_for("the second start to hand over and end", 10,
                           lambda: again.poll() is not None)
            except StepFailed:
                raise StepFailed("with a %s a second start began a program of its own" % what)
            check(again.returncode == 0, "with a %s a second start ended with status %s"
                  % (what, again.returncode))
            d.app.send_signal(signal.SIGTERM)
            d.await_program_end(5)
            plant.stdin.close()
            reached = plant.stdout.read().strip()
            plant.wait(timeout=5)
            check(reached == b"0", "with a %s, %s start(s) reached the other user's socket"
                  % (what, reached.decode()))
    finally:
        for plant in plants:
            try:
                os.killpg(plant.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            plant.wait()
        if "DISPLAY" in getattr(d, "env", {}):
            for ending in (".lock", ".socket"):
                path = "/tmp/tockmere-%d-%s%s" % (os.getuid(), d.env["DISPLAY"], ending)
                if os.path.lexists(path) and os.lstat(path).st_uid == user.pw_uid:
                    os.unlink(path)
        shutil.rmtree(shared, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
        subprocess.run(["/usr/sbin/userdel", OTHER_USER], check=False)
