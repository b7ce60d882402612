"""Start-up, memory and idle cost of tockmere.exe under Wine, beside a bare
Win32 program of the same shape (bench/windows/bare_window.cpp).

Run by scripts/bench-windows.sh with DISPLAY set to a virtual X server on
which jwm is the window manager and notification area, and WINEPREFIX set to
a prefix of the benchmark's own whose wineserver this script starts and
keeps running (warm runs). The two programs take turns, run after run, so
that whatever else the machine does falls on both alike.

  start   time from the exec of `wine PROGRAM` to its main window being mapped
          (an X client listening on the root window for MapNotify), and the
          program's private memory 2 s after start: RssAnon of its process,
          the memory that is the process's alone as Windows counts private
          bytes; and Private_Clean + Private_Dirty of smaps_rollup, which
          also counts the clean pages of files only this process maps (the
          program's image, and the CJK font file it draws Chinese with, which
          the bare program never opens), shown with the font's share
  idle    a minute with the window hidden and, for Tockmere, a reminder armed
          an hour ahead: processor time and voluntary context switches of the
          program's process, and the wineserver's own context switches (each
          request wakes it; the other Wine processes of the prefix add the
          same few to both programs' figures)

Arming is done as a person would, with xdotool: a click in the hour field,
the time and a message typed, Enter, Space, and Enter on the box. The bare
program's button hides its window.
"""

import argparse
import datetime
import os
import select
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
from Xlib import X  # noqa: E402
from desktop_bench import (CLOCK_TICKS, MapWatch, RunFailed, kib, line, median,  # noqa: E402
                           note, read_stat, read_status, read_status_path, spread,
                           xdotool)

TOCKMERE_TITLE = "Tockmere Beta 1.1"
BARE_TITLE = "Bare Win32 window"
ARMED_BOX_TITLE = "Tockmere"


def comm(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def descendants(root):
    """The live processes started under root, root included."""
    table = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            st = read_stat(int(entry))
            if st is not None and st[0] != "Z":
                table[int(entry)] = st
    members = {root} if root in table else set()
    grew = True
    while grew:
        grew = False
        for p, st in table.items():
            if p not in members and (st[1] in members or st[3] == root):
                members.add(p)
                grew = True
    return members


def voluntary_switches(pid, main_only=False):
    """Voluntary context switches of all the process's threads (or of its
    first, the program's main thread under Wine)."""
    total = 0
    try:
        tasks = [str(pid)] if main_only else os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0
    for tid in tasks:
        status = read_status_path("/proc/%d/task/%s/status" % (pid, tid))
        total += int(status.get("voluntary_ctxt_switches", 0))
    return total


def private_mib(pid):
    values = read_status_path("/proc/%d/smaps_rollup" % pid)
    return (kib(values, "Private_Clean") + kib(values, "Private_Dirty")) / 1024


def font_private_mib(pid):
    """Private pages of font files mapped by the process: pages that no other
    process here maps, though they are the files' own and clean."""
    total, font = 0, False
    with open("/proc/%d/smaps" % pid) as f:
        for row in f:
            head = row.split()
            if head and "-" in head[0] and ":" not in head[0]:
                font = len(head) > 5 and head[5].lower().endswith((".ttf", ".ttc", ".otf"))
            elif font and head and head[0] in ("Private_Clean:", "Private_Dirty:"):
                total += int(head[1])
    return total / 1024


class Program:
    """One run of a Windows program under Wine, in a session of its own."""

    def __init__(self, path, title, log):
        self.path = path
        self.title = title
        self.name = os.path.basename(path)[:15]  # as /proc/PID/comm has it
        self.log = log
        self.proc = None
        self._pid = None

    def start(self):
        t0 = time.monotonic()
        self.proc = subprocess.Popen(["wine", self.path], stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        return t0

    @property
    def pid(self):
        """The process that runs the program's code (Wine's loader may hand over)."""
        if self._pid is None:
            for p in sorted(descendants(self.proc.pid)):
                if comm(p) == self.name:
                    self._pid = p
                    break
        if self._pid is None:
            raise RunFailed("no process named %s" % self.name)
        return self._pid

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def stop(self):
        if self.proc is None:
            return
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()


def wait_until(what, timeout, probe):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise RunFailed("waited %g s for %s" % (timeout, what))
        time.sleep(0.05)


def visible(title):
    out = xdotool("search", "--onlyvisible", "--name", "^%s$" % title).split()
    return out[0] if out else None


def geometry(window):
    values = {}
    for item in xdotool("getwindowgeometry", "--shell", window).split():
        key, _, value = item.partition("=")
        values[key] = int(value) if value.lstrip("-").isdigit() else value
    return values


def an_hour_ahead():
    """The hour and minute an hour from now (the last minute of the day at
    the latest), as the program's clock reads them."""
    now = datetime.datetime.now()
    due = min(now + datetime.timedelta(minutes=61), now.replace(hour=23, minute=59))
    return "%02d" % due.hour, "%02d" % due.minute


def hide_tockmere():
    """Arms a reminder an hour ahead and answers the box: the window goes to the tray."""
    hour, minute = an_hour_ahead()
    main = wait_until("the main window", 20, lambda: visible(TOCKMERE_TITLE))
    time.sleep(1.0)  # a window just mapped under Wine may miss the first keys
    g = geometry(main)
    for _ in range(3):
        xdotool("windowfocus", main)
        xdotool("mousemove", str(g["X"] + 58), str(g["Y"] + 38), "click", "1")
        time.sleep(0.5)
        xdotool("key", "End", "BackSpace", "BackSpace", "type", hour)
        xdotool("key", "Tab", "type", minute)
        xdotool("key", "Tab", "type", "x")
        xdotool("key", "Return", "space")
        try:
            box = wait_until("the box", 5, lambda: visible(ARMED_BOX_TITLE))
            break
        except RunFailed:
            note("no box after typing the reminder; typing it again")
    else:
        raise RunFailed("no box counting the reminder")
    xdotool("windowfocus", box)
    xdotool("key", "Return")
    wait_until("the window to hide", 10,
               lambda: not visible(TOCKMERE_TITLE) and not visible(ARMED_BOX_TITLE))
    pointer_away()


def pointer_away():
    """The pointer off where the window was: a pointer left over a window that
    Wine has just hidden wakes the program about a thousand times a second."""
    xdotool("mousemove", "900", "500")


def hide_bare():
    main = wait_until("the bare window", 20, lambda: visible(BARE_TITLE))
    time.sleep(1.0)
    g = geometry(main)
    for _ in range(3):
        # The button's middle: 50, 88 in the client area, below the title bar.
        xdotool("mousemove", str(g["X"] + 53), str(g["Y"] + 26 + 88), "click", "1")
        try:
            wait_until("the bare window to hide", 3, lambda: not visible(BARE_TITLE))
            pointer_away()
            return
        except RunFailed:
            note("the bare window stayed; pressing its button again")
    raise RunFailed("the bare window did not hide")


def wait_first_map(watch, title, timeout, program):
    """The moment the titled window, or a frame holding it, was first mapped.
    Wine's windows here have no frame (the prefix leaves them unmanaged): the
    first map is the window's own."""
    deadline = time.monotonic() + timeout
    while True:
        if not watch.d.pending_events():
            left = deadline - time.monotonic()
            if left <= 0:
                raise RunFailed("no map of %s was seen" % title)
            if not program.alive():
                raise RunFailed("the program ended before its window was mapped")
            select.select([watch.d.fileno()], [], [], min(left, 0.2))
            continue
        e = watch.d.next_event()
        moment = time.monotonic()
        if e.type == X.CreateNotify:
            e.window.change_attributes(event_mask=X.StructureNotifyMask)
        elif e.type == X.MapNotify and watch._kind(e.window, title):
            return moment


def measure_start(program, watch, memory_after):
    watch.drain()
    t0 = program.start()
    mapped = wait_first_map(watch, program.title, 20, program) - t0
    wait = t0 + memory_after - time.monotonic()
    if wait > 0:
        time.sleep(wait)
    status = read_status(program.pid)
    return {"mapped": mapped, "anon": kib(status, "RssAnon") / 1024,
            "private": private_mib(program.pid), "font": font_private_mib(program.pid),
            "rss": kib(status, "VmRSS") / 1024}


def measure_idle(program, hide, seconds, server):
    program.start()
    hide()
    time.sleep(1.0)
    pid = program.pid
    st0, cs0, ws0 = read_stat(pid), voluntary_switches(pid), voluntary_switches(server)
    mt0 = voluntary_switches(pid, main_only=True)
    m0 = time.monotonic()
    time.sleep(seconds)
    st1, cs1, ws1 = read_stat(pid), voluntary_switches(pid), voluntary_switches(server)
    mt1 = voluntary_switches(pid, main_only=True)
    m1 = time.monotonic()
    if st1 is None or not program.alive():
        raise RunFailed("the program ended while hidden")
    per_minute = 60.0 / (m1 - m0)
    return {"cpu": (st1[4] + st1[5] - st0[4] - st0[5]) / CLOCK_TICKS * per_minute,
            "switches": (cs1 - cs0) * per_minute, "server": (ws1 - ws0) * per_minute,
            "main": (mt1 - mt0) * per_minute, "others": (cs1 - cs0 - mt1 + mt0) * per_minute}


def ratio(a, b):
    return "%.2f×" % (median(a) / median(b)) if a and b and median(b) else "n/a"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--wineserver", type=int, required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--memory-after", type=float, default=2.0)
    parser.add_argument("--idle-runs", type=int, default=2)
    parser.add_argument("--idle-seconds", type=float, default=60.0)
    parser.add_argument("--parts", default="start,idle")
    args = parser.parse_args()
    parts = args.parts.split(",")
    signal.signal(signal.SIGTERM, lambda *a: sys.exit(143))
    log = open(args.log, "ab")
    pair = [(args.program, TOCKMERE_TITLE, hide_tockmere), (args.baseline, BARE_TITLE, hide_bare)]
    starts = {args.program: [], args.baseline: []}
    idles = {args.program: [], args.baseline: []}

    if "start" in parts:
        watch = MapWatch()
        # One run of each first, not counted: Wine's and the system's caches warm.
        for run in range(args.runs + 1):
            for path, title, _ in pair:
                program = Program(path, title, log)
                try:
                    row = measure_start(program, watch, args.memory_after)
                    if run:
                        starts[path].append(row)
                        note("start %d %s: mapped %.3f s, RssAnon %.1f MiB, private %.1f MiB"
                             % (run, os.path.basename(path), row["mapped"], row["anon"],
                                row["private"]))
                except RunFailed as e:
                    note("start %d %s: %s" % (run, os.path.basename(path), e))
                finally:
                    program.stop()
                time.sleep(0.5)
        watch.close()

    if "idle" in parts:
        for run in range(1, args.idle_runs + 1):
            for path, title, hide in pair:
                program = Program(path, title, log)
                try:
                    row = measure_idle(program, hide, args.idle_seconds, args.wineserver)
                    idles[path].append(row)
                    note("idle %d %s: CPU %.3f s, %.0f context switches, wineserver %.0f per minute"
                         % (run, os.path.basename(path), row["cpu"], row["switches"],
                            row["server"]))
                except RunFailed as e:
                    note("idle %d %s: %s" % (run, os.path.basename(path), e))
                finally:
                    program.stop()
                time.sleep(0.5)

    t, b = args.program, args.baseline
    print()
    print("tockmere.exe and the bare Win32 program under Wine, display %s; medians "
          "(min, max)" % os.environ.get("DISPLAY"))
    if "start" in parts:
        col = lambda p, k: [r[k] for r in starts[p]]
        print("Start-up (%d and %d warm runs, taking turns)" % (len(starts[t]), len(starts[b])))
        line("launch to main window mapped, tockmere.exe", spread(col(t, "mapped"), "%.3f s"))
        line("  bare program", spread(col(b, "mapped"), "%.3f s"))
        line("  ratio", ratio(col(t, "mapped"), col(b, "mapped")), "goal <= 1.15×")
        line("RssAnon %g s after start, tockmere.exe" % args.memory_after,
             spread(col(t, "anon"), "%.1f MiB"))
        line("  bare program", spread(col(b, "anon"), "%.1f MiB"))
        line("  ratio", ratio(col(t, "anon"), col(b, "anon")), "goal <= 1.2×")
        line("private (smaps_rollup), tockmere.exe", spread(col(t, "private"), "%.1f MiB"))
        line("  bare program", spread(col(b, "private"), "%.1f MiB"))
        line("  ratio", ratio(col(t, "private"), col(b, "private")))
        line("  of it font files' pages, tockmere.exe", spread(col(t, "font"), "%.1f MiB"))
        line("    bare program", spread(col(b, "font"), "%.1f MiB"))
        less = lambda p: [r["private"] - r["font"] for r in starts[p]]
        line("  private less font files' pages, ratio", ratio(less(t), less(b)))
    if "idle" in parts:
        col = lambda p, k: [r[k] for r in idles[p]]
        print("A minute hidden (Tockmere armed) (%d and %d runs of %g s, taking turns)"
              % (len(idles[t]), len(idles[b]), args.idle_seconds))
        line("CPU per minute, tockmere.exe", spread(col(t, "cpu"), "%.2f s"))
        line("  bare program", spread(col(b, "cpu"), "%.2f s"))
        line("  ratio", ratio(col(t, "cpu"), col(b, "cpu")),
             "resolution %.2f s" % (1.0 / CLOCK_TICKS))
        line("voluntary context switches per minute, tockmere.exe",
             spread(col(t, "switches"), "%.0f"))
        line("  bare program", spread(col(b, "switches"), "%.0f"))
        line("  ratio", ratio(col(t, "switches"), col(b, "switches")), "goal <= 1.1×")
        line("  of them the main thread's, tockmere.exe", spread(col(t, "main"), "%.0f"),
             "goal <= 2")
        line("  the other threads', tockmere.exe", spread(col(t, "others"), "%.0f"), "goal 0")
        line("wineserver's context switches per minute, with tockmere.exe",
             spread(col(t, "server"), "%.0f"))
        line("  with the bare program", spread(col(b, "server"), "%.0f"))
        line("  ratio", ratio(col(t, "server"), col(b, "server")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
