#!/bin/sh
# End-to-end tests of the built Tockmere: each case runs the program on a
# virtual X desktop of its own (Xvfb, with jwm as window manager and tray
# host; for a11y.py the same with a session bus and the accessibility bus,
# read as a screen reader reads it; for the cases of desktops.py a private
# session bus and xfce4-panel as StatusNotifierItem host, or a tray that goes away; for sway.py a headless
# sway with Xwayland and waybar, run as a user made for it), its clock set with
# libfaketime, and drives it from outside with xdotool as a person would;
# edges.py at the system's edges: a time zone changed, the X server gone,
# the signals to end, another user's files (that of a user made for it).
# The cases and the desktop each runs on are listed in main.py, which runs
# one. Builds nothing: expects build/tockmere.
#
# usage: tests/e2e/run.sh [CASE...]      (all cases when none is named)
# Prints one line per case and, last, "N passed, M failed"; exits 0 only when
# every case passed. TOCKMERE_E2E_TRACE=1 shows each step on stderr.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
python=/usr/bin/python3
program="$root/build/tockmere"

fail_setup() {
    echo "e2e: $*" >&2
    echo "0 passed, 1 failed"
    exit 1
}

[ -x "$program" ] || fail_setup "$program is missing; build it first: cmake --preset default && cmake --build --preset default"
for tool in Xvfb jwm fluxbox openbox tint2 i3 i3bar mutter xfwm4 xdotool faketime timeout dbus-daemon xfce4-panel sway waybar Xwayland wtype orca speech-dispatcher; do
    command -v "$tool" >/dev/null 2>&1 || fail_setup "$tool is not installed (sh scripts/setup.sh installs it)"
done
if ! "$python" -c 'import Xlib' 2>/dev/null; then
    fail_setup "$python with Xlib (python3-xlib) is needed"
fi
[ -x /usr/libexec/at-spi-bus-launcher ] ||
    fail_setup "at-spi2-core's bus launcher is not installed (sh scripts/setup.sh installs it)"
if ! "$python" -c 'import dbus, pyatspi' 2>/dev/null; then
    fail_setup "$python with D-Bus and AT-SPI (python3-dbus, python3-pyatspi) is needed"
fi
fc-list 2>/dev/null | grep -q 'WenQuanYi Zen Hei' ||
    fail_setup "the font WenQuanYi Zen Hei (fonts-wqy-zenhei) is not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-e2e-run.XXXXXX")
# Whatever a case started and did not see end is listed in its pid file;
# each of those processes leads a session of its own, so its group goes too.
cleanup() {
    for list in "$work"/*.pids; do
        [ -f "$list" ] || continue
        while read -r pid; do
            kill -TERM -- "-$pid" 2>/dev/null && sleep 0.2
            kill -KILL -- "-$pid" 2>/dev/null
        done <"$list"
    done
    rm -rf "$work"
}
# On an interrupt the running cases are told to stop first; they end what
# they started, and the pid files catch anything they could not.
case_pid=""
lane_pid=""
interrupted() {
    for pid in $case_pid $lane_pid; do
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    exit "$1"
}
trap cleanup EXIT
trap 'interrupted 130' INT
trap 'interrupted 143' TERM

# A copy, so that a rebuild during the run does not change the program under test.
cp "$program" "$work/tockmere"

if [ $# -gt 0 ]; then
    cases="$*"
else
    cases=$("$python" "$here/main.py" --list) || fail_setup "$here/main.py cannot list its cases"
fi

# run_case NAME: runs one case, prints its line and notes its status.
run_case() {
    started=$(date +%s)
    # In the background, so that a signal to this script is acted on at once.
    timeout -k 5 150 "$python" "$here/main.py" "$work/tockmere" "$1" "$work/$1.pids" \
        >"$work/$1.out" &
    case_pid=$!
    wait "$case_pid"
    status=$?
    case_pid=""
    seconds=$(($(date +%s) - started))
    if [ "$status" -eq 0 ]; then
        echo "PASS $1 (${seconds}s)"
    else
        reason=$(tail -n 1 "$work/$1.out")
        [ "$status" -eq 124 ] && reason="did not finish within 150s. $reason"
        echo "FAIL $1 (${seconds}s): ${reason:-exit status $status}"
    fi
    echo "$status" >"$work/$1.status"
}

# The cases that mostly wait for the clock run one after another beside the
# rest, in a lane of their own.
waiting=$("$python" "$here/main.py" --list-waiting)
beside=""
inline=""
for name in $cases; do
    case " $(echo $waiting) " in
    *" $name "*) beside="$beside $name" ;;
    *) inline="$inline $name" ;;
    esac
done
if [ -n "$beside" ]; then
    (
        trap 'interrupted 143' TERM
        for name in $beside; do run_case "$name"; done
    ) &
    lane_pid=$!
fi
for name in $inline; do run_case "$name"; done
if [ -n "$lane_pid" ]; then
    wait "$lane_pid"
    lane_pid=""
fi

passed=0
failed=0
for name in $cases; do
    if [ "$(cat "$work/$name.status" 2>/dev/null)" = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
