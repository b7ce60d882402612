#!/bin/sh
# Measures how late after the full minute the box of a due reminder appears,
# with the real clock running in real time (build/bench/fire_latency).
#
# By default the benchmark runs on a fresh virtual X server (Xvfb) with a
# window manager, on Qt's xcb platform as on a desktop; an X client watching
# the display also notes when each box's window is mapped, which adds the
# figures "box mapped on the display". BENCH_OFFSCREEN=1 runs it on Qt's
# offscreen platform instead, for comparison.
#
#   BENCH_ROUNDS=N     number of firings (default 20; each takes about 2.5 s)
#   BENCH_OFFSCREEN=1  offscreen platform, no X server
#   BENCH_BIN=PATH     run this fire_latency instead of building the default preset
#
# usage: sh scripts/bench-fire-latency.sh
set -eu

cd "$(dirname "$0")/.."

sh scripts/setup.sh

if [ -n "${BENCH_BIN:-}" ]; then
    bin=$BENCH_BIN
else
    cmake --preset default
    cmake --build --preset default --target fire_latency
    bin=./build/bench/fire_latency
fi
rounds=${BENCH_ROUNDS:-20}

. scripts/lib/desktop.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-bench.XXXXXX")
watch_pid=""
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    if [ -n "$watch_pid" ]; then kill "$watch_pid" 2>/dev/null || true; fi
    desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs the benchmark; its own lines on stdout, Qt's messages kept apart.
run_bench() {
    status=0
    timeout $((rounds * 10 + 60)) "$bin" --rounds "$rounds" "$@" 2>"$work/stderr" || status=$?
    # The offscreen platform notes every raise and size hint it cannot do.
    grep -v -e '^This plugin does not support' -e '^QStandardPaths: XDG_RUNTIME_DIR' \
        "$work/stderr" >&2 || true
    return "$status"
}

if [ "${BENCH_OFFSCREEN:-0}" = "1" ]; then
    echo "bench: $rounds firings on the offscreen platform"
    QT_QPA_PLATFORM=offscreen
    export QT_QPA_PLATFORM
    run_bench
    exit 0
fi

# --- A virtual X desktop ----------------------------------------------------

unset QT_QPA_PLATFORM
desktop_start 1280x800
py=/usr/bin/python3

# Notes the moments each reminder box's window (titled "...啦!") and the
# window manager's frame around it are mapped; the box is viewable once both are.
cat >"$work/watch_maps.py" <<'PY'
import sys, time
from Xlib import X, display, error

d = display.Display()
root = d.screen().root
net_wm_name = d.intern_atom("_NET_WM_NAME")
utf8 = d.intern_atom("UTF8_STRING")
root.change_attributes(event_mask=X.SubstructureNotifyMask)
d.sync()
out = open(sys.argv[1], "a", buffering=1, encoding="utf-8")
open(sys.argv[2], "w").close()

def title(w):
    prop = w.get_full_property(net_wm_name, utf8)
    if prop and prop.value:
        v = prop.value
        return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
    return None

def find_title(w, depth=0):
    try:
        t = title(w)
        if t:
            return t
        if depth < 2:
            for child in w.query_tree().children:
                t = find_title(child, depth + 1)
                if t:
                    return t
    except error.XError:
        pass
    return None

while True:
    e = d.next_event()
    seen = time.time()
    if e.type == X.CreateNotify:
        # The program's new top-level window: follow its own map, wherever
        # the window manager puts it.
        try:
            e.window.change_attributes(event_mask=X.StructureNotifyMask)
        except error.XError:
            pass
    elif e.type == X.MapNotify:
        kind = "window" if e.event.id == e.window.id else "frame"
        name = find_title(e.window)
        if name and name.endswith("啦!"):
            out.write("%s\t%s\t%.6f\n" % (name, kind, seen))
PY
: >"$work/maps"
"$py" "$work/watch_maps.py" "$work/maps" "$work/watch_ready" 2>"$work/watch.log" &
watch_pid=$!
tries=0
while [ ! -e "$work/watch_ready" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ] || ! kill -0 "$watch_pid" 2>/dev/null; then
        echo "bench: the map watcher did not start:" >&2
        cat "$work/watch.log" >&2
        exit 1
    fi
    sleep 0.1
done

echo "bench: $rounds firings on the xcb platform, display $DISPLAY, window manager jwm"
status=0
run_bench --due-log "$work/dues" || status=$?
sleep 0.2
kill "$watch_pid" 2>/dev/null || true
wait "$watch_pid" 2>/dev/null || true
watch_pid=""

# The mapped moments against the due moments, matched by the box's title.
"$py" - "$work/dues" "$work/maps" <<'PY'
import sys

def read(path):
    # title -> {kind: first moment}
    rows = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            title, kind, t = fields[0], fields[1] if len(fields) == 3 else "", fields[-1]
            rows.setdefault(title, {}).setdefault(kind, float(t))
    return rows

dues = {title: kinds[""] for title, kinds in read(sys.argv[1]).items()}
# Viewable when the later of the box's window and its frame is mapped.
maps = {title: max(kinds.values()) for title, kinds in read(sys.argv[2]).items()}
late = sorted((maps[t] - due) * 1000 for t, due in dues.items() if t in maps)
if not late:
    print("box mapped on the display: no map of a reminder box was seen")
    sys.exit(0)
n = len(late)
median = late[n // 2] if n % 2 else (late[n // 2 - 1] + late[n // 2]) / 2
print("%-32s median %6.1f ms  worst %6.1f ms  min %6.1f ms  count %d"
      % ("box mapped on the display:", median, late[-1], late[0], n))
if n < len(dues):
    print("(%d of %d boxes were not seen mapped)" % (len(dues) - n, len(dues)))
PY
exit "$status"
