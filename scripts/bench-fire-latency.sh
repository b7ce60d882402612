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

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-bench.XXXXXX")
xvfb_pid=""
wm_pid=""
watch_pid=""
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    if [ -n "$watch_pid" ]; then kill "$watch_pid" 2>/dev/null || true; fi
    if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
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
# Without a session bus Qt puts its tray icon into the X tray of the window manager.
unset DBUS_SESSION_BUS_ADDRESS

# Xvfb picks a free display number and writes it to the pipe once it accepts
# connections; if it fails to start, the pipe is closed and the read is empty.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp \
    3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=""
read -r display_number <"$work/displayfd" || true
if [ -z "$display_number" ]; then
    echo "bench: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$display_number"
export DISPLAY

cat >"$work/jwmrc" <<'JWMRC'
<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="32" autohide="off">
    <TaskList maxwidth="256"/>
    <Dock/>
  </Tray>
  <WindowStyle><Font>WenQuanYi Zen Hei-10</Font></WindowStyle>
  <TrayStyle><Font>WenQuanYi Zen Hei-10</Font></TrayStyle>
  <MenuStyle><Font>WenQuanYi Zen Hei-10</Font></MenuStyle>
</JWM>
JWMRC
jwm -f "$work/jwmrc" >"$work/jwm.log" 2>&1 &
wm_pid=$!

# Debian's own Python, which has the Xlib module, whatever python3 is first on PATH.
py=/usr/bin/python3

# Wait until the window manager owns the tray, so the program finds it at start.
tray_owned() {
    "$py" -c '
import sys
from Xlib import X, display
d = display.Display()
owner = d.get_selection_owner(d.intern_atom("_NET_SYSTEM_TRAY_S0"))
sys.exit(1 if owner == X.NONE or getattr(owner, "id", owner) == X.NONE else 0)
' 2>/dev/null
}
tries=0
while ! tray_owned; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ] || ! kill -0 "$wm_pid" 2>/dev/null; then
        echo "bench: the window manager did not start:" >&2
        cat "$work/jwm.log" >&2
        exit 1
    fi
    sleep 0.1
done

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
