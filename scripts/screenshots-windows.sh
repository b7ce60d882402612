#!/bin/sh
# Photographs the Windows program, tockmere.exe, under Wine on a virtual
# desktop: the main window as it starts, its icon in the notification area
# (four times as large), the notice window and the About box while a
# reminder is armed, and the reminder being told.
# usage: sh scripts/screenshots-windows.sh [FOLDER]   (default docs/)
# TOCKMERE_DESKTOP_DPI=144 takes them at 150 %: Wine's prefix is set to that
# many dots per inch (give such runs a prefix of their own with
# TOCKMERE_WINEPREFIX, as the setting stays in it).
# Needs the Windows build: cmake --preset windows && cmake --build --preset windows
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
. scripts/lib/desktop.sh
trap 'wineserver -k 2>/dev/null || true; desktop_stop' EXIT
scale=${TOCKMERE_DESKTOP_DPI:-96}
desktop_start "$((800 * scale / 96))x$((600 * scale / 96))"
# The test runner sets the Wine prefix up.
sh scripts/wine-run.sh --prepare
. scripts/lib/wine-prefix.sh
WINEPREFIX=$tockmere_wineprefix
export WINEPREFIX WINEDEBUG=-all LANG=zh_CN.UTF-8
# The scale, where Windows keeps it.
for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$scale" /f >/dev/null 2>&1
done
wineserver -w
# m: a length of the 96-dpi layout at this scale.
m() { echo $(($1 * scale / 96)); }
shoot() { # WINDOW FILE
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "$((WIDTH + $(m 24)))x$((HEIGHT + $(m 24)))+$((X - $(m 12)))+$((Y - $(m 12)))" \
        +repage "$out/$2"
    echo "screenshots: $out/$2"
}

faketime_clear_stale
NO_FAKE_STAT=1 faketime -f "@2026-12-06 09:41:20" wine build-windows/tockmere.exe >/dev/null 2>&1 &
main=$(wait_window "Tockmere Beta 1.1" 30)
sleep 2
shoot "$main" windows-main.png

# Wine's windows take the focus by a click: into the hour field, then type.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove "$((X + $(m 58)))" "$((Y + $(m 38)))" click 1
sleep 0.3
xdotool key BackSpace BackSpace type 9
xdotool key Tab type 42
# One character at a time: Wine reads a character xdotool maps to a spare
# key only if the key is not mapped to the next one before it is read.
xdotool key Tab type --delay 250 "开会"
xdotool key Return space
wait_window Tockmere >/dev/null && xdotool key Return
sleep 0.5

# The icon in the notification area: the system's small window there.
icon=""
for _ in $(seq 50); do
    icon=$(xwininfo -root -tree | awk '/"explorer.exe"/ && / [1-4][0-9]x[1-4][0-9]\+/ {print $1; exit}')
    [ -n "$icon" ] && break
    sleep 0.1
done
eval "$(xdotool getwindowgeometry --shell "$icon")"
ix=$((X + WIDTH / 2))
iy=$((Y + HEIGHT / 2))
# The icon as the notification area draws it, four times as large.
import -window root -crop "$((WIDTH + 8))x$((HEIGHT + 8))+$((X - 4))+$((Y - 4))" +repage \
    "$out/windows-tray.png"
convert "$out/windows-tray.png" -scale 400% "$out/windows-tray.png"
echo "screenshots: $out/windows-tray.png"
notice=""
for _ in 1 2 3; do
    xdotool mousemove "$ix" "$iy" click 1
    notice=$(wait_window 提醒信息 3 2>/dev/null) && break
done
sleep 0.5
shoot "$notice" windows-notice.png

# 关于 from the icon's menu, which opens on 查询, its first enabled item
# while armed: three further down.
xdotool mousemove "$ix" "$iy" click 3
sleep 0.5
xdotool key Down Down Down Return
about=$(wait_window 关于Tockmere 10)
sleep 0.5
shoot "$about" windows-about.png
xdotool key Escape

firing=$(wait_window " 9:42:00啦!" 60)
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$firing")"
import -window root -crop "$(m 300)x$(m 200)+$((X - $(m 110)))+$((Y - $(m 70)))" +repage \
    "$out/windows-firing.png"
echo "screenshots: $out/windows-firing.png"
xdotool key Return
