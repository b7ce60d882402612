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
# Builds nothing: expects build/tockmere.
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
for tool in Xvfb jwm fluxbox openbox tint2 i3 i3bar mutter xdotool faketime timeout dbus-daemon xfce4-panel sway waybar Xwayland wtype orca speech-dispatcher; do
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
# On an interrupt the running case is told to stop first; it ends what it
# started, and the pid files catch anything it could not.
case_pid=""
interrupted() {
    if [ -n "$case_pid" ]; then
        kill -TERM "$case_pid" 2>/dev/null
        wait "$case_pid" 2>/dev/null
    fi
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
    cases="one_reminder three_reminders_in_advanced_mode menu_opens_while_a_reminder_is_told
        told_while_typing_the_next three_taken_then_hidden
        second_start_brings_back_hidden second_start_after_kill keyboard_and_screen_reader
        keyboard_advanced_entry_heard orca_keyboard_path fast_hide_and_restore_sni hide_and_restore_jwm hide_and_restore_openbox hide_and_restore_i3 hide_and_restore_fluxbox
        hide_and_restore_mutter
        xembed_one_menu_per_right_click sni_menu sni_panel_goes_away_while_hidden
        tray_goes_away_while_hidden wm_ends_holding_the_window wm_ends_with_a_request_unanswered
        no_session_bus wayland_session wayland_native
        zone_change display_goes_away end_signals other_users_files"
fi

# The cases on other desktops than jwm's tray are in desktops.py, the one on
# sway (run as a user of its own) in sway.py.
driver_of() {
    case "$1" in
    sni_* | tray_* | xembed_* | wm_* | no_session_bus) echo "$here/desktops.py" ;;
    wayland_*) echo "$here/sway.py" ;;
    keyboard_* | fast_* | orca_*) echo "$here/a11y.py" ;;
    hide_and_restore_*) echo "$here/wms.py" ;;
    zone_* | display_* | end_* | other_*) echo "$here/edges.py" ;;
    *) echo "$here/cases.py" ;;
    esac
}

passed=0
failed=0
for name in $cases; do
    started=$(date +%s)
    # In the background, so that a signal to this script is acted on at once.
    timeout -k 5 150 "$python" "$(driver_of "$name")" "$work/tockmere" "$name" "$work/$name.pids" \
        >"$work/$name.out" &
    case_pid=$!
    wait "$case_pid"
    status=$?
    case_pid=""
    seconds=$(($(date +%s) - started))
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        echo "PASS $name (${seconds}s)"
    else
        failed=$((failed + 1))
        reason=$(tail -n 1 "$work/$name.out")
        [ "$status" -eq 124 ] && reason="did not finish within 150s. $reason"
        echo "FAIL $name (${seconds}s): ${reason:-exit status $status}"
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
