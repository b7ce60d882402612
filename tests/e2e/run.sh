#!/bin/sh
# End-to-end tests of the built Tockmere: each case runs the program on a
# desktop of its own, started from its row of the table in desktop.py (Xvfb
# with a window manager and a tray host, a session bus and a screen reader
# where asked; sway with Xwayland and waybar, as a user made for it), its
# clock set with libfaketime, and drives it from outside as a person would.
# main.py lists the cases and the desktops they run on, and runs one.
# Builds nothing: expects build/tockmere.
#
# usage: tests/e2e/run.sh [CASE...]      (all cases when none is named)
# Prints one line per case and, last, "N passed, M failed"; exits 0 only when
# every case passed. TOCKMERE_E2E_TRACE=1 shows each step on stderr.
set -u

here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
program="$here/../../build/tockmere"

fail_setup() {
    echo "e2e: $*" >&2
    echo "0 passed, 1 failed"
    exit 1
}

[ -x "$program" ] || fail_setup "$program is missing; build it first: cmake --preset default && cmake --build --preset default"
for tool in Xvfb jwm fluxbox openbox tint2 i3 i3bar mutter xfwm4 xdotool timeout dbus-daemon \
    xfce4-panel sway waybar Xwayland wtype orca speech-dispatcher /usr/libexec/at-spi-bus-launcher \
    /usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1; do
    [ -e "$tool" ] || command -v "$tool" >/dev/null 2>&1 ||
        fail_setup "$tool is not installed (sh scripts/setup.sh installs it)"
done
"$python" -c 'import Xlib, dbus, pyatspi' 2>/dev/null ||
    fail_setup "$python with Xlib, D-Bus and AT-SPI (python3-xlib, python3-dbus, python3-pyatspi) is needed"
fc-list 2>/dev/null | grep -q 'WenQuanYi Zen Hei' ||
    fail_setup "the font WenQuanYi Zen Hei (fonts-wqy-zenhei) is not installed"

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-e2e-run.XXXXXX")
# Whatever a case started and did not see end is listed in its pid file;
# each of those processes leads a session of its own, so its group goes too.
cleanup() {
    cat "$work"/*.pids 2>/dev/null | while read -r pid; do
        kill -TERM -- "-$pid" 2>/dev/null
        kill -KILL -- "-$pid" 2>/dev/null
    done
    rm -rf "$work"
}
# On an interrupt the running cases are told to stop first; they end what
# they started, and the pid files catch anything they could not.
running=""
lane_pids=""
interrupted() {
    for pid in $running $lane_pids; do
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
cases=${*:-$("$python" "$here/main.py" --list)} || fail_setup "$here/main.py cannot list its cases"

# run_case NAME: runs one case, prints its line and notes its status.
run_case() {
    started=$(date +%s)
    # In the background, so that a signal to this script is acted on at once.
    timeout -k 5 150 "$python" "$here/main.py" "$work/tockmere" "$1" "$work/$1.pids" \
        >"$work/$1.out" &
    running=$!
    wait "$running"
    status=$?
    running=""
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

# Three lanes take the cases from one list, each the next unit nobody has
# taken: most of a case is waiting for its clock.
lanes=3
units=$("$python" "$here/main.py" --list-units) || fail_setup "$here/main.py cannot list its cases"
listed=" $(echo $cases) "
take_cases() {
    while read -r unit; do
        mkdir "$work/${unit%% *}.taken" 2>/dev/null || continue
        for name in $unit; do
            case "$listed" in *" $name "*) run_case "$name" ;; esac
        done
    done <<EOF
$units
EOF
}
lane=1
while [ "$lane" -lt "$lanes" ]; do
    (
        lane_pids=""  # a stopped lane stops its own case, not the others
        trap 'interrupted 143' TERM
        take_cases
    ) &
    lane_pids="$lane_pids $!"
    lane=$((lane + 1))
done
take_cases
for pid in $lane_pids; do wait "$pid"; done

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
