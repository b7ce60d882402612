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
#   - processor time of a minute in the tray with a reminder armed;
#   - wake-ups of a minute in the tray while 200 names a minute are made in
#     /etc (in a private layer over /etc that only the program sees).
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
#   BENCH_PARTS=LIST      any of start,hour,idle,busy (default all four)
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

. scripts/lib/desktop.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-desk.XXXXXX")
chmod 700 "$work"
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
    desktop_stop
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
desktop_start 1280x800

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
    --parts "${BENCH_PARTS:-start,hour,idle,busy}" &
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
