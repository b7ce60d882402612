#!/bin/sh
# Measures tockmere.exe under Wine beside a bare Win32 program of the same
# shape (bench/windows/bare_window.cpp: a window with a label, an edit box and
# a button, a notification-area icon, a 500 ms timer), built by the same
# compiler with the same flags and manifest. The two take turns on a fresh
# virtual X server (Xvfb) with jwm as window manager and notification area,
# in a Wine prefix of the benchmark's own whose wineserver stays up between
# runs. Prints medians and the ratios tockmere.exe / bare program:
#
#   - launch to main window mapped, seen by an X client listening for MapNotify;
#   - private memory 2 s after start (RssAnon; Private of smaps_rollup);
#   - a minute with the window hidden (Tockmere with a reminder armed): CPU
#     time and voluntary context switches of the program's process, and the
#     wineserver's context switches (one per request, near enough).
#
#   BENCH_RUNS=N          warm start-up runs of each (default 10)
#   BENCH_IDLE_RUNS=N     hidden minutes of each (default 2)
#   BENCH_IDLE_SECONDS=S  length of each of them (default 60)
#   BENCH_PARTS=LIST      any of start,idle (default both)
#   BENCH_BIN=PATH        measure this tockmere.exe (default: build the windows preset)
#   TOCKMERE_WINEPREFIX   the prefix (default ~/.cache/tockmere/wine64-bench)
#
# usage: sh scripts/bench-windows.sh
set -eu

cd "$(dirname "$0")/.."
top=$(pwd)

sh scripts/setup.sh run windows

cmake --preset windows >/dev/null
cmake --build --preset windows --target tockmere bare_window
bin=${BENCH_BIN:-build-windows/tockmere.exe}
case $bin in /*) ;; *) bin="$top/$bin" ;; esac
bare=$top/build-windows/bench/bare_window.exe

# A prefix of the benchmark's own: the tests' runs never wait for it, nor it for them.
TOCKMERE_WINEPREFIX=${TOCKMERE_WINEPREFIX:-$HOME/.cache/tockmere/wine64-bench}
export TOCKMERE_WINEPREFIX
sh scripts/wine-run.sh --prepare
. scripts/lib/wine-prefix.sh
WINEPREFIX=$tockmere_wineprefix
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
LANG=zh_CN.UTF-8
LC_ALL=zh_CN.UTF-8
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LANG LC_ALL

. scripts/lib/desktop.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-bench-win.XXXXXX")
server_pid=""
bench_pid=""
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    if [ -n "$bench_pid" ]; then
        kill "$bench_pid" 2>/dev/null || true
        wait "$bench_pid" 2>/dev/null || true
    fi
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    if [ -n "$server_pid" ]; then
        wait "$server_pid" 2>/dev/null || true
    fi
    desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# One run of the prefix at a time, as scripts/wine-run.sh takes it.
exec 9>"$WINEPREFIX.lock"
flock -w 900 9

unset WAYLAND_DISPLAY
desktop_start 1280x800
# The prefix's wineserver, kept up between runs, in the foreground so that
# its own figures can be read.
timeout 20 wineserver -k >/dev/null 2>&1 || true
wineserver -f -p 9>&- &
server_pid=$!
sleep 1

echo "bench: $bin and $bare on display $DISPLAY with jwm; $(nproc) processors; load average $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
/usr/bin/python3 bench/windows/windows_bench.py \
    --program "$bin" --baseline "$bare" --wineserver "$server_pid" --log "$work/programs.log" \
    --runs "${BENCH_RUNS:-10}" --idle-runs "${BENCH_IDLE_RUNS:-2}" \
    --idle-seconds "${BENCH_IDLE_SECONDS:-60}" --parts "${BENCH_PARTS:-start,idle}" 9>&- &
bench_pid=$!
wait "$bench_pid" || status=$?
bench_pid=""
echo
echo "bench: load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"
