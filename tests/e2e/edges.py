"""Tockmere at its edges with the system, end to end on jwm's desktop: the
time zone changed while it runs (in a mount namespace of its own, with a
private layer over /etc), the system clock set while it sleeps, a reminder
heard on a private PulseAudio server, the X server going away, the signals
that ask it to end, and another local user's files where it keeps its single
instance (a user made for the test, removed after). main.py runs the cases."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

from cases import (COUNT_TITLE, arm_one, check, firing_box, reminder_box, type_reminder,
                   wait_main_ready)
from desktop import StepFailed, local_user

NEW_YORK = "/usr/share/zoneinfo/America/New_York"
OTHER_USER = "tockmere-e2e-other"


def place_files(d):
    """The single instance's lock and socket in the runtime folder."""
    return sorted(n for n in os.listdir(d.env["XDG_RUNTIME_DIR"])
                  if n.endswith(".lock") or n.endswith(".socket"))


def ended_by_itself(d, status, what):
    """The program ended with an exit status of its own, not by a signal,
    and left no process behind."""
    check(status >= 0, "the program %s ended by signal %d%s" % (what, -status, d.log_tail()))
    d.wait_for("every process of the program to end", 3, lambda: not d.session_processes(),
               program_may_end=True)


def end_by_signal(d):
    d.app.send_signal(signal.SIGTERM)
    d.await_program_end(5)


def end_signals(d):
    """Each signal that asks the program to end, and last its X server going
    away while a reminder is armed: it ends by itself, leaving no process,
    icon, lock or socket."""
    d.start(program=False)
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        name = signal.Signals(number).name
        d.start_program()
        wait_main_ready(d)
        d.wait_for("the tray icon", 5, d.tray_icon)
        check(place_files(d), "no lock or socket while the program runs")
        d.app.send_signal(number)
        status = d.await_program_end(5)
        check(status == 0, "the program ended with status %s on %s%s"
              % (status, name, d.log_tail()))
        ended_by_itself(d, status, "on " + name)
        d.wait_for("the tray icon to go after %s" % name, 3, lambda: d.tray_icon() is None,
                   program_may_end=True)
        check(not place_files(d), "left after %s: %s" % (name, place_files(d)))
    d.start_program()
    wait_main_ready(d)
    arm_one(d, "42", "开会")
    d.wait_for("the tray icon after arming", 2, d.tray_icon)
    d.x.close()
    d.x = None
    d.xvfb.kill()
    d.xvfb.wait(timeout=5)
    ended_by_itself(d, d.await_program_end(10), "whose display went away")
    check(not place_files(d), "left after the display went away: %s" % place_files(d))


# How /etc/localtime (or the file TZ names) starts, and how it is changed to
# a zone 5 s ahead of New York, $S. Run in the program's mount namespace;
# $Z is the file, $T the zone data a link leads to.
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
    """At 4:41:48 in New York a reminder for 4:42 is armed and the window
    hides. While its timer sleeps the zone becomes one 5 s ahead: the
    reminder is told 7 s after the start, never at once (the zone read
    half-written, as UTC) nor at 4:42 of the old zone, 12 s after it."""
    d.start(program=False)
    start, change = ROUTES[route]
    zones = os.path.join(d.work, "zoneinfo")
    target = os.path.join(zones, "America", "New_York")
    os.makedirs(os.path.dirname(target))
    shutil.copyfile(NEW_YORK, target)
    with open(os.path.join(d.work, "shifted.zi"), "w") as f:
        f.write("Zone Shifted -4:59:55 - SHT\n")
    subprocess.run(["zic", "-d", zones, os.path.join(d.work, "shifted.zi")], check=True)
    zone, tz = "/etc/localtime", None
    if start == "TZ":
        zone = os.path.join(d.work, "zone")
        shutil.copyfile(NEW_YORK, zone)
        tz = ":" + zone
    place = {"link": 'ln -sfn "%s" /etc/localtime' % NEW_YORK,
             "file": 'rm -f /etc/localtime && cp "%s" /etc/localtime' % NEW_YORK,
             "link to data": 'ln -sfn "%s" /etc/localtime' % target, "TZ": "true"}[start]
    layer = os.path.join(d.work, "etc")
    os.mkdir(layer)
    script = ('mount -t tmpfs none {0} && mkdir {0}/u {0}/w && mount -t overlay overlay '
              '-o lowerdir=/etc,upperdir={0}/u,workdir={0}/w /etc && {1} && exec "$0"'
              .format(layer, place))
    d.start_program(["unshare", "-m", "--propagation", "private", "sh", "-c", script], TZ=tz)
    wait_main_ready(d)
    type_reminder(d, "4", "42", "换时区")
    d.key("space")
    d.answer_box(COUNT_TITLE, 5)
    d.wait_for("the hidden program's timer to sleep", 5, lambda: timer_asleep(d))
    changed = time.monotonic() - d.app_started
    check(changed < 5, "the zone could be changed only %.1fs after the start" % changed)
    subprocess.run(["nsenter", "-t", str(d.app.pid), "-m", "sh", "-c", change], check=True,
                   env=dict(os.environ, S=os.path.join(zones, "Shifted"), Z=zone, T=target))
    box = firing_box(d, " 4:42:00啦!", 25)
    told = time.monotonic() - d.app_started
    check(6.5 <= told <= 8.5, "changed %.1fs after the start by %s, the reminder came after "
          "%.1fs, not 7s" % (changed, route, told))
    d.answer_box(box.name, 1)
    d.stays_absent("a reminder told twice", 1.5, lambda: reminder_box(d))
    end_by_signal(d)


def clock_set_while_hidden(d):
    """A reminder for 9:45 is armed at 9:41:50 and the window hides. While
    its timer sleeps the program's clock (read by libfaketime from a file at
    every reading) moves to 9:46, and the system's clock is set to the moment
    it shows, as date -s or a time server's step would: the reminder is told
    at once."""
    clock = os.path.join(d.work, "faketime")

    def set_clock(moment):
        with open(clock + ".new", "w") as f:
            f.write("@%s\n" % moment)
        os.rename(clock + ".new", clock)
    set_clock(d.start_time)
    d.start(program=False)
    d.start_program(FAKETIME=None, FAKETIME_TIMESTAMP_FILE=clock, FAKETIME_NO_CACHE="1")
    wait_main_ready(d)
    arm_one(d, "45", "对时")
    d.wait_for("the hidden program's timer to sleep", 5, lambda: timer_asleep(d))
    set_clock(d.start_time.replace("09:41:50", "09:46:00"))
    time.clock_settime(time.CLOCK_REALTIME, time.clock_gettime(time.CLOCK_REALTIME))
    # Missed, the timer would sleep on for minutes: seconds tell them apart,
    # also on a busy machine.
    firing_box(d, " 9:45:00啦!", 3)
    end_by_signal(d)


def reminder_heard(d):
    """A reminder's box comes with the desktop's alarm sound, heard on a sound
    server of the desktop's own (PulseAudio, its sink playing into nothing);
    the boxes before it are silent."""
    d.start(program=False)
    home = os.path.join(d.work, "pulse")
    os.mkdir(home, 0o700)
    socket_path = os.path.join(home, "native")
    d.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "-L", "module-null-sink",
             "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_path],
            env=dict(d.env, HOME=home, XDG_RUNTIME_DIR=home))
    d.env["PULSE_SERVER"] = "unix:" + socket_path

    def sounds():
        """The event sounds playing now, or None while the server cannot be asked."""
        listed = subprocess.run(["pactl", "list", "sink-inputs"], env=d.env,
                                capture_output=True, text=True)
        return None if listed.returncode else [
            line.split("=", 1)[1].strip().strip('"') for line in listed.stdout.splitlines()
            if line.strip().startswith("event.id = ")]
    d.wait_for("the sound server", 10, lambda: sounds() is not None)
    d.start_program()
    wait_main_ready(d)
    arm_one(d, "42", "开会")
    check(not sounds(), "a sound with the box that counts the reminders: %s" % sounds())
    box = firing_box(d, " 9:42:00啦!", 25)
    d.wait_for("the alarm's sound with the reminder's box", 1,
               lambda: "alarm-clock-elapsed" in (sounds() or []))
    d.answer_box(box.name, 1)
    end_by_signal(d)


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


def other_users_files(d):
    """Another user puts a flocked lock open to all, a link, a folder open
    to all or a listening socket where the program would keep its single
    instance; the program starts, shows its window, and a second start
    hands over to it, every time."""
    user = local_user(OTHER_USER)
    shared = tempfile.mkdtemp(prefix="tockmere-e2e-tmp.")
    home = tempfile.mkdtemp(prefix="tockmere-e2e-other.")
    key = None
    try:
        os.chmod(shared, 0o1777)  # as /tmp: anyone writes, each removes only their own
        os.chown(home, user.pw_uid, user.pw_gid)
        d.start(program=False)
        key = "tockmere-%d-%s" % (os.getuid(), d.env["DISPLAY"])
        place = os.path.join(shared, "tockmere-%d" % os.getuid())
        # Programs of an older version kept their lock and socket in /tmp
        # under this name; the other user plants its own there.
        for ending in (".lock", ".socket"):
            if os.path.lexists(os.path.join("/tmp", key + ending)):
                os.unlink(os.path.join("/tmp", key + ending))
        for kind, runtime in (("folder", None), ("link", None), ("file", None), ("folder", home)):
            if os.path.lexists(place):
                subprocess.run(["rm", "-rf", place], check=True)
            plant = d.spawn(["/usr/sbin/runuser", "-u", OTHER_USER, "--", "/usr/bin/python3",
                             "-c", PLANT, kind, place, key],
                            env={"PATH": "/usr/bin:/bin", "OTHER_HOME": home},
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if plant.stdout.readline().strip() != b"ready":
                plant.kill()
                raise StepFailed("the other user could not plant a %s: %s" % (
                    kind, plant.stderr.read().decode(errors="replace").strip()[-300:]))
            what = "%s of the other user%s" % (
                kind, ", XDG_RUNTIME_DIR the other user's" if runtime else "")
            env = dict(TMPDIR=shared, XDG_RUNTIME_DIR=runtime)
            d.start_program(**env)
            try:
                wait_main_ready(d)
                status = d.start_again(**env)
            except StepFailed as failure:
                raise StepFailed("with a %s: %s" % (what, failure))
            check(status == 0, "with a %s a second start ended with status %s" % (what, status))
            end_by_signal(d)
            plant.stdin.close()
            reached = plant.stdout.read().strip()
            plant.wait(timeout=5)
            check(reached == b"0", "with a %s, %s start(s) reached the other user's socket"
                  % (what, reached.decode()))
    finally:
        if key:
            for ending in (".lock", ".socket"):
                path = os.path.join("/tmp", key + ending)
                if os.path.lexists(path) and os.lstat(path).st_uid == user.pw_uid:
                    os.unlink(path)
        shutil.rmtree(shared, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
        d.close()  # the plants go before their user
        subprocess.run(["/usr/sbin/userdel", OTHER_USER], check=False)
