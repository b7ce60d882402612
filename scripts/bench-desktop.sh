#!/bin/sh
# Measures Tockmere on a real X desktop: a fresh virtual X server (Xvfb) with
# jwm as window manager and tray host, Qt's xcb platform, no session bus (so
# the tray icon goes into jwm's tray). Prints medians over repeated runs:
#
#   - time from the exec of build/tockmere to its main window "Tockmere Beta
#     1.1" being viewable (warm: after a first run that is not counted), seen
#     by an X client listening on the root window for the window's and its
#     frame's MapNotify;
#   - resident memory 5 s after start, and the number of the program's processes;
#   - resident memory over an hour of the program's clock, sped up by
#     libfaketime, with a reminder armed and the window in the tray;
#   - processor time of a minute in the tray with a reminder armed.
#
# Reminders are armed as a person would: xdotool types the hour, the minute
# and a message, presses "确定" and answers the box. The runs are one after
# another, never in parallel, so that they do not share the processors.
# A bare Qt window is measured the same way for comparison.
#
#   BENCH_RUNS=N          warm start-up runs (default 10)
#   BENCH_IDLE_RUNS=N     runs of the minute in the tray (default 3)
#   BENCH_IDLE_SECONDS=S  length of each of them (default 60)
#   BENCH_SPEED=X         speed of the program's clock for the hour (default 60)
#   BENCH_SIM_HOURS=H     program hours to run at that speed (default 1)
#   BENCH_PARTS=LIST      any of start,hour,idle (default all three)
#   BENCH_BASELINE=0      leave out the bare Qt window
#   BENCH_BIN=PATH        measure this program instead of building the default preset
#
# usage: sh scripts/bench-desktop.sh
set -eu

cd "$(dirname "$0")/.."
top=$(pwd)

sh scripts/setup.sh

if [ -n "${BENCH_BIN:-}" ]; then
    bin=$BENCH_BIN
else
    cmake --preset default
    cmake --build --preset default --target tockmere
    bin=./build/tockmere
fi
case $bin in /*) ;; *) bin="$top/$bin" ;; esac

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-desk.XXXXXX")
chmod 700 "$work"
xvfb_pid=""
wm_pid=""
bench_pid=""
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    # The runs end the program they started on their way out; X stays up till then.
    if [ -n "$bench_pid" ]; then
        kill "$bench_pid" 2>/dev/null || true
        wait "$bench_pid" 2>/dev/null || true
    fi
    # The programs the runs started, each in a session and group of its own.
    if [ -f "$work/pids" ]; then
        while read -r pid; do
            kill -- "-$pid" 2>/dev/null || true
        done <"$work/pids"
    fi
    if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Debian's own Python, which has the Xlib module, whatever python3 is first on PATH.
py=/usr/bin/python3

# The bare Qt window, for comparison; left out when it cannot be built.
baseline=""
if [ "${BENCH_BASELINE:-1}" != "0" ]; then
    # shellcheck disable=SC2046  # the flags are a word list
    if command -v pkg-config >/dev/null 2>&1 &&
        g++ -std=c++20 -O2 -fPIC -o "$work/bare_window" bench/desktop/bare_window.cpp \
            $(pkg-config --cflags --libs Qt6Widgets) 2>"$work/bare.log"; then
        baseline="$work/bare_window"
    else
        echo "bench: the bare Qt window did not build; measuring Tockmere alone" >&2
    fi
fi

# --- A virtual X desktop ----------------------------------------------------

unset QT_QPA_PLATFORM
unset WAYLAND_DISPLAY
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

echo "bench: $bin on display $DISPLAY with jwm; $(nproc) processors; load average $(cut -d' ' -f1-3 /proc/loadavg)"
mkdir "$work/runtime"
chmod 700 "$work/runtime"
: >"$work/pids"
status=0
"$py" bench/desktop/desktop_bench.py \
    --program "$bin" ${baseline:+--baseline "$baseline"} \
    --work "$work/runtime" --pid-file "$work/pids" \
    --runs "${BENCH_RUNS:-10}" \
    --idle-runs "${BENCH_IDLE_RUNS:-3}" --idle-seconds "${BENCH_IDLE_SECONDS:-60}" \
    --speed "${BENCH_SPEED:-60}" --sim-hours "${BENCH_SIM_HOURS:-1}" \
    --parts "${BENCH_PARTS:-start,hour,idle}" &
bench_pid=$!
wait "$bench_pid" || status=$?
bench_pid=""
echo
echo "bench: load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -s "$work/runtime/program.log" ]; then
    echo "bench: the program said:" >&2
    sort "$work/runtime/program.log" | uniq -c | head -n 20 >&2
fi
exit "$status"
