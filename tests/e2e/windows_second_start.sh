#!/bin/sh
# The Windows program started a second time under Wine, on a virtual desktop
# with a notification area: the second start brings the first program's
# hidden window back and ends, leaving one program and one tray icon; a first
# program that was killed leaves nothing that stops the next start.
# usage: sh tests/e2e/windows_second_start.sh   (needs build-windows/tockmere.exe)
set -u
cd "$(dirname "$0")/../.."
. scripts/lib/desktop.sh

program=build-windows/tockmere.exe
[ -f "$program" ] || { echo "FAIL windows_second_start: no $program (build the windows preset)"; exit 1; }
first=""
later=""
cleanup() {
    [ -n "$first" ] && kill -9 "$first" 2>/dev/null
    [ -n "$later" ] && kill -9 "$later" 2>/dev/null
    wineserver -k 2>/dev/null
    desktop_stop
}
trap cleanup EXIT
fail() {
    echo "FAIL windows_second_start: $*"
    echo "windows on screen:"
    xwininfo -root -tree 2>/dev/null | grep -E '"(tockmere|explorer)\.exe"' | grep -v '1x1+' | sed 's/^ */  /'
    echo "0 passed, 1 failed"
    exit 1
}

wine_desktop_start 800x600 || fail "no Wine desktop"
# The Wine server stays up while no program runs, as Windows does: what a
# killed program leaves behind would still be there for the next start.
wineserver -p 9>&- || fail "the Wine server did not start"
start() {
    faketime_clear_stale
    NO_FAKE_STAT=1 faketime -f "@2026-12-06 09:41:50" wine "$program" >/dev/null 2>&1 9>&- &
}
# The program's processes on this desktop (Wine runs each Windows process
# as one of its own, named after the program), as a list of process ids.
programs() {
    pgrep -f 'tockmere\.exe' | while read -r pid; do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q '^[^ ]*tockmere\.exe' &&
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" &&
            echo "$pid"
    done
}
# The icons in the notification area: small windows of the system's shell.
icons() {
    xwininfo -root -tree | awk '/"explorer.exe"/ && / 30x30\+| 2[0-9]x2[0-9]\+| 1[0-9]x1[0-9]\+/' |
        while read -r id _; do
            xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && echo "$id"
        done | wc -l
}
# A process that has ended stays a zombie until this shell waits for it.
alive() {
    ps -o stat= -p "$1" 2>/dev/null | grep -qv Z
}
shown() {
    xdotool search --onlyvisible --name '^Tockmere Beta 1\.1$' >/dev/null 2>&1
}

start
first=$!
main=$(wait_window "Tockmere Beta 1.1" 30) || fail "the main window did not come up"
for _ in $(seq 50); do
    [ "$(icons)" -ge 1 ] && break
    sleep 0.1
done
[ "$(icons)" -eq 1 ] || fail "$(icons) tray icons after the first start"

# Hidden from the keyboard: Shift+F10 in the hour field opens the menu; from
# its first item, Up three times is "隐藏" (past 退出, the line, 关于). A
# desktop under Wine can be slow to take the first input: the step is done
# again, up to three times, and says so.
eval "$(xdotool getwindowgeometry --shell "$main")"
for try in 1 2 3; do
    [ "$try" -gt 1 ] && echo "windows_second_start: retrying (try $try of 3): the window did not hide"
    xdotool windowfocus "$main" 2>/dev/null
    xdotool mousemove "$((X + 58))" "$((Y + 38))" click 1
    sleep 0.5
    xdotool key shift+F10
    sleep 0.5
    xdotool key Up Up Up Return
    for _ in $(seq 30); do
        shown || break
        sleep 0.1
    done
    shown || break
done
shown && fail "the window did not hide with 隐藏 from the keyboard's menu"

start
later=$!
for _ in $(seq 150); do
    alive "$later" || break
    sleep 0.1
done
alive "$later" && fail "the second start did not end"
wait "$later"
status=$?
later=""
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
wait_window "Tockmere Beta 1.1" 10 >/dev/null || fail "the second start did not bring the window back"
alive "$first" || fail "the first program ended"
[ "$(programs | wc -l)" -eq 1 ] || fail "$(programs | wc -l) programs running after the second start"
[ "$(icons)" -eq 1 ] || fail "$(icons) tray icons after the second start"

# Killed, the first program leaves its place free: ended as Task Manager
# ends a program, with no chance to clean up.
wine taskkill /f /im tockmere.exe >/dev/null 2>&1 9>&- || fail "taskkill did not end the program"
for _ in $(seq 100); do
    [ -z "$(programs)" ] && break
    sleep 0.1
done
[ -z "$(programs)" ] || fail "the first program did not end when killed"
kill "$first" 2>/dev/null  # faketime, which may wait on
first=""
for _ in $(seq 50); do
    shown || break
    sleep 0.1
done
start
later=$!
wait_window "Tockmere Beta 1.1" 30 >/dev/null || fail "no window from the start after the first was killed"
sleep 1
alive "$later" || fail "the start after the first was killed ended"
echo "PASS windows_second_start"
echo "1 passed, 0 failed"
