#!/bin/sh
# Builds Tockmere and runs it on the current X display.
#
# Tockmere is a desktop program: it needs a graphical desktop with a
# notification area. To try it on a machine without one, set TOCKMERE_XVFB=1:
# the program then runs on a fresh virtual X server (Xvfb) with a small window
# manager that also provides a tray, and both are stopped when it exits.
set -eu

cd "$(dirname "$0")/.."

sh scripts/setup.sh

if [ "${TOCKMERE_XVFB:-0}" != "1" ]; then
    if [ -z "${DISPLAY:-}" ]; then
        echo "start: no graphical desktop found (DISPLAY is not set)." >&2
        echo "start: Tockmere needs a graphical desktop (an X display) to run." >&2
        echo "start: to try it without one, run: TOCKMERE_XVFB=1 sh scripts/start.sh" >&2
        exit 1
    fi
    if ! xdpyinfo >/dev/null 2>&1; then
        echo "start: cannot reach the X display '$DISPLAY'." >&2
        echo "start: Tockmere needs a graphical desktop (an X display) to run." >&2
        echo "start: to try it without one, run: TOCKMERE_XVFB=1 sh scripts/start.sh" >&2
        exit 1
    fi
fi

cmake --preset default
cmake --build --preset default

if [ "${TOCKMERE_XVFB:-0}" != "1" ]; then
    exec ./build/tockmere
fi

# --- Headless trial on a virtual X server -----------------------------------

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-xvfb.XXXXXX")
xvfb_pid=""
wm_pid=""
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb picks a free display number and writes it to the pipe once it accepts
# connections; if it fails to start, the pipe is closed and the read is empty.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp \
    3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=""
read -r display_number <"$work/displayfd" || true
if [ -z "$display_number" ]; then
    echo "start: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$display_number"
export DISPLAY
# Without a session bus Qt puts its tray icon into the X tray of the window manager.
unset DBUS_SESSION_BUS_ADDRESS

cat >"$work/jwmrc" <<'JWMRC'
<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="32" autohide="off">
    <TaskList maxwidth="256"/>
    <Dock/>
  </Tray>
  <WindowStyle><Font>WenQuanYi Zen Hei-10</Font></WindowStyle>
  <TrayStyle><Font>WenQuanYi Zen Hei-10</Font></TrayStyle>
  <MenuStyle><Font>WenQuanYi Zen Hei-10</Font></MenuStyle>
</JWM>
JWMRC
jwm -f "$work/jwmrc" >"$work/jwm.log" 2>&1 &
wm_pid=$!

# Wait until the window manager owns the tray, so the program finds it at start.
# (Debian's own Python, which has the Xlib module, whatever python3 is first on PATH.)
tray_owned() {
    /usr/bin/python3 -c '
import sys
from Xlib import X, display
d = display.Display()
owner = d.get_selection_owner(d.intern_atom("_NET_SYSTEM_TRAY_S0"))
sys.exit(1 if owner == X.NONE or getattr(owner, "id", owner) == X.NONE else 0)
' 2>/dev/null
}
tries=0
while ! tray_owned; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ] || ! kill -0 "$wm_pid" 2>/dev/null; then
        echo "start: the window manager did not start:" >&2
        cat "$work/jwm.log" >&2
        exit 1
    fi
    sleep 0.1
done

echo "start: Tockmere is running on the virtual display $DISPLAY."
echo "start: screenshot: DISPLAY=$DISPLAY import -window root shot.png"
echo "start: stop it with Ctrl-C or its own exit command."

status=0
./build/tockmere || status=$?
exit "$status"
