#!/bin/sh
# Photographs the Windows program, tockmere.exe, under Wine on a virtual
# desktop: the main window as it starts, and a reminder being told over it.
# usage: sh scripts/screenshots-windows.sh [FOLDER]   (default docs/)
# Needs the Windows build: cmake --preset windows && cmake --build --preset windows
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
. scripts/lib/desktop.sh
trap 'wineserver -k 2>/dev/null || true; desktop_stop' EXIT
desktop_start 800x600
# Run once through the test runner so that the Wine prefix is set up.
sh scripts/wine-run.sh build-windows/tests/reminder_tests.exe --gtest_list_tests >/dev/null
WINEPREFIX=${TOCKMERE_WINEPREFIX:-$HOME/.cache/tockmere/wine64}
export WINEPREFIX WINEDEBUG=-all LANG=zh_CN.UTF-8
NO_FAKE_STAT=1 faketime -f "@2026-12-06 09:41:50" wine build-windows/tockmere.exe >/dev/null 2>&1 &
main=$(wait_window "Tockmere Beta 1.1" 30)
sleep 2
eval "$(xdotool getwindowgeometry --shell "$main")"
import -window root -crop "$((WIDTH + 24))x$((HEIGHT + 24))+$((X - 12))+$((Y - 12))" +repage \
    "$out/windows-main.png"
echo "screenshots: $out/windows-main.png"

# Wine's windows take the focus by a click: into the hour field, then type.
xdotool mousemove "$((X + 58))" "$((Y + 38))" click 1
sleep 0.3
xdotool key BackSpace BackSpace type 9
xdotool key Tab type 42
xdotool key Tab type "开会"
xdotool key Return space
wait_window Tockmere >/dev/null && xdotool key Return
firing=$(wait_window " 9:42:00啦!" 30)
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$firing")"
import -window root -crop 300x200+$((X - 110))+$((Y - 70)) +repage "$out/windows-firing.png"
echo "screenshots: $out/windows-firing.png"
xdotool key Return
