#!/bin/sh
# Takes a screenshot of Tockmere's main window on a virtual X desktop, with
# the clock held at a fixed moment so that the picture is the same each time.
# usage: sh scripts/screenshot.sh OUT.png ["YYYY-MM-DD hh:mm:ss"]
set -eu
cd "$(dirname "$0")/.."
out=${1:?usage: screenshot.sh OUT.png [time]}
when=${2:-2026-12-06 09:41:50}

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-shot.XXXXXX")
pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/fd"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/fd" >/dev/null 2>&1 &
pids="$!"
read -r display <"$work/fd"
export DISPLAY=":$display"
unset DBUS_SESSION_BUS_ADDRESS
cat >"$work/jwmrc" <<'JWMRC'
<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="32" autohide="off"><TaskList maxwidth="256"/><Dock/></Tray>
  <WindowStyle><Font>WenQuanYi Zen Hei-10</Font></WindowStyle>
  <TrayStyle><Font>WenQuanYi Zen Hei-10</Font></TrayStyle>
</JWM>
JWMRC
jwm -f "$work/jwmrc" >/dev/null 2>&1 &
pids="$pids $!"
sleep 0.5
faketime -f "@$when" ./build/tockmere >/dev/null 2>&1 &
pids="$pids $!"
# Wait for the window, then for the first ticks of the clock.
for _ in $(seq 50); do
    xdotool search --name '^Tockmere Beta 1.1$' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1.2
window=$(xdotool search --name '^Tockmere Beta 1.1$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
# The window with its frame and title bar, a little margin around it.
import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 60))+$((X - 20))+$((Y - 45))" +repage "$out"
echo "screenshot: $out"
