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


# A zone 15 seconds ahead of New York, compiled for the test.
SHIFTED = "Zone Shifted -4:59:45 - SHT\n"
NEW_YORK = os.path.join(ZONES, "America/New_York")

# How /etc/localtime (or the file TZ names) starts, and how it is changed to
# the shifted zone $S. Run in the program's mount namespace; $Z is the file,
# $T the zone data a link leads to.
ROUTES = {
    "link_replaced": ("link", 'ln -s "$S" /etc/.localtime.new && mv -T /etc/.localtime.new "$Z"'),
    "ln_sf": ("link", 'ln -sf "$S" "$Z"'),
    "slow_writer": ("file", '{ head -c 300 "$S"; sleep 0.5; tail -c +301 "$S"; } >"$Z"'),
    "removed_then_written": ("file", 'rm "$Z"; sleep 0.3; cp "$S" "$Z"'),
    "install": ("file", 'install -m 644 "$S" "$Z"'),
    "bind_mount": ("file", 'mount --bind "$S" "$Z"'),
    "package_upgrade": ("link to data", 'cp "$S" "$T.dpkg-new" && mv "$T.dpkg-new" "$T"'),
    "tz_names_a_file": ("TZ", 'rm "$Z"; sleep 0.3; cp "$S" "$Z"'),
}


class ZoneDesktop(EdgeDesktop):
    """The program in a mount namespace of its own, with a private layer over
    /etc (what is changed there goes with the namespace), in New York's zone."""

    route = None

    def start(self):
        self.start_display()
        self.start_wm()
        del self.env["TZ"]
        start, self.change = ROUTES[self.route]
        zones = os.path.join(self.work, "zoneinfo")
        os.makedirs(os.path.join(zones, "America"))
        self.target = os.path.join(zones, "America", "New_York")
        shutil.copyfile(NEW_YORK, self.target)
        with open(os.path.join(self.work, "shifted.zi"), "w") as f:
            f.write(SHIFTED)
        subprocess.run(["zic", "-d", zones, os.path.join(self.work, "shifted.zi")], check=True)
        self.zone_file = "/etc/localtime"
        if start == "TZ":
            self.zone_file = os.path.join(self.work, "zone")
            shutil.copyfile(NEW_YORK, self.zone_file)
            self.env["TZ"] = ":" + self.zone_file
        layer = os.path.join(self.work, "etc")
        os.mkdir(layer)
        place = {"link": 'ln -sfn "%s" /etc/localtime' % NEW_YORK,
                 "file": 'rm -f /etc/localtime && cp "%s" /etc/localtime' % NEW_YORK,
                 "link to data": 'ln -sfn "%s" /etc/localtime' % self.target,
                 "TZ": "true"}[start]
        script = ('mount -t tmpfs none {0} && mkdir {0}/u {0}/w && mount -t overlay overlay '
                  '-o lowerdir=/etc,upperdir={0}/u,workdir={0}/w /etc && {1} && exec "$0"'
                  .format(layer, place))
        return self.start_program(argv=["unshare", "-m", "--propagation", "private",
                                        "sh", "-c", script])

    def change_zone(self):
        env = dict(os.environ, S=os.path.join(self.work, "zoneinfo", "Shifted"),
                   Z=self.zone_file, T=self.target)
        subprocess.run(["nsenter", "-t", str(self.app.pid), "-m", "sh", "-c", self.change],
                       env=env, check=True)


def timer_asleep(d):
    """The program's timer sleeps on a timerfd set for a moment to come."""
    fds = "/proc/%d/fdinfo" % d.app.pid
    for fd in os.listdir(fds):
        try:
            with open(os.path.join(fds, fd)) as f:
                info = f.read()
        except OSError:
            continue
        if "clockid:" in info and "it_value: (0, 0)" not in info:
            return True
    return False


def zone_followed(d, route):
    """At 4:41:30 in New York a reminder for 4:42 is armed and the window
    hides. While its timer sleeps the zone becomes one 15 s ahead: the
    reminder is told 15 s after the start, never at once (the zone read
    half-written, as UTC) nor at 4:42 of the old zone."""
    d.route = route
    d.start()
    wait_main_ready(d)
    type_reminder(d, "4", "42", "换时区")
    d.key("space")
    d.answer_box(COUNT_TITLE, 5)
    d.wait_for("the hidden program's timer to sleep", 5, lambda: timer_asleep(d))
    changed = time.monotonic() - d.app_started
    check(changed < 12, "the zone could be changed only %.1fs after the start" % changed)
    d.change_zone()
    box = firing_box(d, " 4:42:00啦!", 25)
    told = time.monotonic() - d.app_started
    check(14.5 <= told <= 16.5, "changed %.1fs after the start by %s, the reminder came after "
          "%.1fs, not 15s" % (changed, route, told))
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


class ClockSetDesktop(EdgeDesktop):
    """jwm's desktop; the program's clock is read from a file libfaketime
    looks at on every reading, so that the test can move it."""

    def program_env(self, env=None):
        env = EdgeDesktop.program_env(self, env)
        self.clock_file = os.path.join(self.work, "faketime")
        self.set_clock(self.start_time)
        del env["FAKETIME"]
        env.update(FAKETIME_TIMESTAMP_FILE=self.clock_file, FAKETIME_NO_CACHE="1")
        return env

    def set_clock(self, moment):
        with open(self.clock_file + ".new", "w") as f:
            f.write("@%s\n" % moment)
        os.rename(self.clock_file + ".new", self.clock_file)


def clock_set_while_hidden(d):
    """A reminder for 9:45 is armed at 9:41:50 and the window hides. While
    its timer sleeps the program's clock moves to 9:46 and the system's clock
    is set to the moment it shows, as date -s or a time server's step would:
    the reminder is told at once."""
    d.start()
    wait_main_ready(d)
    arm_one(d, "45", "对时")
    d.wait_for("the hidden program's timer to sleep", 5, lambda: timer_asleep(d))
    d.set_clock(d.start_time.replace("09:41:50", "09:46:00"))
    time.clock_settime(time.CLOCK_REALTIME, time.clock_gettime(time.CLOCK_REALTIME))
    firing_box(d, " 9:45:00啦!", 1)
    d.app.send_signal(signal.SIGTERM)
    d.await_program_end(5)


class SoundDesktop(EdgeDesktop):
    """jwm's desktop with a sound server of its own: PulseAudio with a sink
    that plays into nothing."""

    def start(self):
        self.start_display()
        self.start_wm()
        home = os.path.join(self.work, "pulse")
        os.mkdir(home, 0o700)
        socket_path = os.path.join(home, "native")
        self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                    "--use-pid-file=no", "-L", "module-null-sink",
                    "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_path],
                   env=dict(self.env, HOME=home, XDG_RUNTIME_DIR=home))
        self.env["PULSE_SERVER"] = "unix:" + socket_path
        self.wait_for("the sound server", 10, lambda: self.sounds() is not None)
        return self.start_program()

    def sounds(self):
        """The event sounds playing now, or None while the server cannot be asked."""
        listed = subprocess.run(["pactl", "list", "sink-inputs"], env=self.env,
                                capture_output=True, text=True)
        if listed.returncode != 0:
            return None
        return [line.split("=", 1)[1].strip().strip('"') for line in listed.stdout.splitlines()
                if line.strip().startswith("event.id = ")]


def reminder_heard(d):
    """A reminder's box comes with the desktop's alarm sound; the boxes
    before it are silent."""
    d.start()
    wait_main_ready(d)
    arm_one(d, "42", "开会")
    check(not d.sounds(), "a sound with the box that counts the reminders: %s" % d.sounds())
    box = firing_box(d, " 9:42:00啦!", 25)
    d.wait_for("the alarm's sound with the reminder's box", 1,
               lambda: "alarm-clock-elapsed" in (d.sounds() or []))
    d.answer_box(box.name, 1)
    d.app.send_signal(signal.SIGTERM)
    d.await_program_end(5)
