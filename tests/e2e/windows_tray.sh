#!/bin/sh
# The Windows program under Wine on a virtual desktop whose window manager is
# also the notification area: the icon that the system puts there, clicked
# with the mouse, must reach the program's window hook as the shell's
# messages do (left release: the notice window while armed; right release:
# the menu), and "退出" must end the program and take the icon away.
# usage: sh tests/e2e/windows_tray.sh   (needs build-windows/tockmere.exe)
set -u
cd "$(dirname "$0")/../.."
. scripts/lib/desktop.sh

program=build-windows/tockmere.exe
[ -f "$program" ] || { echo "FAIL windows_tray: no $program (build the windows preset)"; exit 1; }
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    wineserver -k 2>/dev/null
    desktop_stop
}
trap cleanup EXIT
fail() {
    echo "FAIL windows_tray: $*"
    echo "windows on screen:"
    xwininfo -root -tree 2>/dev/null | grep -E '"(tockmere|explorer)\.exe"' | grep -v '1x1+' | sed 's/^ */  /'
    echo "0 passed, 1 failed"
    exit 1
}

# The same prefix as the Windows tests, set up by their runner.
# The program's own start starts the Wine server, under its clock.
wine_desktop_start 800x600 || fail "no Wine desktop"
faketime_clear_stale
NO_FAKE_STAT=1 faketime -f "@2026-12-06 09:41:50" wine "$program" >/dev/null 2>&1 9>&- &
app=$!

main=$(wait_window "Tockmere Beta 1.1" 30) || fail "the main window did not come up"
# The icon: a small window in the tray, the system's own, not the program's.
icon=""
for _ in $(seq 50); do
    icon=$(xwininfo -root -tree | awk '/"explorer.exe"/ && / 30x30\+| 2[0-9]x2[0-9]\+| 1[0-9]x1[0-9]\+/ {print $1; exit}')
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || fail "no tray icon in the notification area"
eval "$(xdotool getwindowgeometry --shell "$icon")"
ix=$((X + WIDTH / 2))
iy=$((Y + HEIGHT / 2))

# Idle: a left click does nothing.
xdotool mousemove "$ix" "$iy" click 1
sleep 1
xdotool search --onlyvisible --name '^提醒信息$' >/dev/null 2>&1 && fail "the notice window opened while nothing was armed"

# Arm one reminder, typed as a person would (a click gives Wine's window the
# focus). It is due at 9:59, long after the test ends: a fresh machine may
# take many seconds to start Wine, and a reminder told before the click on
# the icon would leave nothing armed to list. A desktop under Wine can be slow to take the first input: a step
# that shows nothing is done again, up to three times, and says so. This is
# the test's only retry.
retry() { # TRY WHAT
    [ "$1" -gt 1 ] && echo "windows_tray: retrying (try $1 of 3): $2"
    return 0
}
# Armed, the window goes to the tray once its box is answered. Keys that
# went to another field than meant (the click not yet taken) leave a box
# saying what is wrong instead, and the window stays.
eval "$(xdotool getwindowgeometry --shell "$main")"
armed=""
for try in 1 2 3; do
    retry "$try" "the reminder typed was not armed"
    xdotool windowfocus "$main" 2>/dev/null
    xdotool mousemove "$((X + 58))" "$((Y + 38))" click 1
    sleep 0.5
    xdotool key End BackSpace BackSpace type 9
    xdotool key Tab type 59
    xdotool key Tab type x
    xdotool key Return space
    if box=$(wait_window Tockmere 5 2>/dev/null); then
        xdotool windowfocus "$box" 2>/dev/null
        xdotool key Return
        # Asked of the main window itself: a search by title can come back
        # empty when it meets the box's window as it is destroyed.
        for _ in $(seq 30); do
            if xwininfo -id "$main" 2>/dev/null | grep -q 'Map State: IsUnMapped' &&
                ! xdotool search --onlyvisible --name '^Tockmere$' >/dev/null 2>&1; then
                armed=yes
                break
            fi
            sleep 0.1
        done
    fi
    [ -n "$armed" ] && break
    # Every box still open is answered, and Wine given a moment to take
    # keys again after it, before the next try.
    for box in $(xdotool search --onlyvisible --name '^(Tockmere|出错啦!)$' 2>/dev/null); do
        xdotool windowfocus "$box" key Return 2>/dev/null
    done
    sleep 2
done
[ -n "$armed" ] || fail "the reminder typed was not armed: the window did not go to the tray"

# The box's window may still be going away: a person clicks once more.
notice=""
for try in 1 2 3; do
    retry "$try" "no notice window after a left click on the icon"
    xdotool mousemove "$ix" "$iy" click 1
    notice=$(wait_window 提醒信息 3 2>/dev/null) && break
done
[ -n "$notice" ] || fail "a left click on the icon did not open the notice window"

# The right click opens the program's menu on its first enabled item, 查询
# while armed; 退出 is its last, four further down past the line.
before=$(xwininfo -root -tree | grep -c '"tockmere.exe"')
xdotool mousemove "$ix" "$iy" click 3
opened=""
for _ in $(seq 50); do
    now=$(xwininfo -root -tree | grep -c '"tockmere.exe"')
    [ "$now" -gt "$before" ] && opened=yes && break
    sleep 0.1
done
[ -n "$opened" ] || fail "a right click on the icon did not open the menu"
xdotool key Down Down Down Down Return
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "the program did not end after 退出"
app=""
sleep 0.5
xwininfo -id "$icon" >/dev/null 2>&1 && xwininfo -id "$icon" | grep -q IsViewable &&
    fail "the icon stayed after the program ended"
echo "PASS windows_tray"
echo "1 passed, 0 failed"
