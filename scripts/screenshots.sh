#!/bin/sh
# Photographs Tockmere on a virtual desktop, driven as a person would, with
# the clock started at a fixed moment: the main window, the notice window with
# three reminders, the tray menu, the About box and a reminder being told.
# usage: sh scripts/screenshots.sh [FOLDER]   (default docs/)
# TOCKMERE_DESKTOP_DPI=144 takes them at 150 % (the desktop grows with it).
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
. scripts/lib/desktop.sh
trap desktop_stop EXIT
scale=${TOCKMERE_DESKTOP_DPI:-96}
desktop_start "$((800 * scale / 96))x$((600 * scale / 96))"

# Photographs a window with its frame, and a margin around it.
shoot() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    title=$((50 * scale / 96))
    import -window root -crop "$((WIDTH + 24))x$((HEIGHT + title + 14))+$((X - 12))+$((Y - title))" +repage "$out/$2"
    echo "screenshots: $out/$2"
}
answer() {
    id=$(wait_window "$1") && xdotool windowactivate --sync "$id" key Return
}
# One reminder typed into the fields: hour, minute, message.
type_reminder() {
    xdotool key End BackSpace BackSpace type "$1"
    xdotool key Tab type "$2"
    xdotool key Tab type "$3"
    xdotool key Return
}

faketime_clear_stale
NO_FAKE_STAT=1 faketime -f "@2026-12-06 09:41:00" ./build/tockmere >/dev/null 2>&1 &
main=$(wait_window "Tockmere Beta 1.1")
sleep 1.2
shoot "$main" main-window.png

# The menu on the window's label, then the advanced mode with three reminders.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove "$((X + 12))" "$((Y + 12))" click 3
sleep 0.3
xdotool key Down Down Return
type_reminder 9 45 "给妈妈打电话"
xdotool key Tab space
type_reminder 9 42 "开会"
xdotool key Tab space
type_reminder 9 43 "交周报"
xdotool key space
answer Tockmere

icon=$(tray_icon)
eval "$(xdotool getwindowgeometry --shell "$icon")"
ix=$((X + WIDTH / 2))
iy=$((Y + HEIGHT / 2))
xdotool mousemove "$ix" "$iy" click 1
shoot "$(wait_window 提醒信息)" notice.png
xdotool key Return

xdotool mousemove "$ix" "$iy" click 3
sleep 0.4
import -window root -crop "$((300 * scale / 96))x$((300 * scale / 96))+$((500 * scale / 96))+$((300 * scale / 96))" +repage "$out/tray-menu.png"
echo "screenshots: $out/tray-menu.png"
xdotool key Up Up Return
about=$(wait_window 关于Tockmere)
sleep 0.3
shoot "$about" about.png
xdotool key Escape

firing=$(wait_window " 9:42:00啦!" 60)
sleep 0.3
# The box with the collapsed main window it stands over.
eval "$(xdotool getwindowgeometry --shell "$firing")"
margin=$((60 * scale / 96))
import -window root -crop "$((WIDTH + 2 * margin))x$((200 * scale / 96))+$((X - margin))+$((Y - 70 * scale / 96))" +repage "$out/firing.png"
echo "screenshots: $out/firing.png"
xdotool windowactivate --sync "$firing" key Return
