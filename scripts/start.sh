#!/bin/sh
# Builds Tockmere and runs it on the current X display.
#
# Tockmere is a desktop program: it needs a graphical desktop with a
# notification area. To try it on a machine without one, set TOCKMERE_XVFB=1:
# the program then runs on a fresh virtual X server (Xvfb) with a small window
# manager that also provides a tray, and both are stopped when it exits.
set -eu

cd "$(dirname "$0")/.."

# Only what building and running need; the tests' tools come with scripts/test.sh.
if [ "${TOCKMERE_XVFB:-0}" = "1" ]; then
    sh scripts/setup.sh run xvfb
else
    sh scripts/setup.sh run
fi

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

# The tests are built by scripts/test.sh, which installs GoogleTest for them.
cmake --preset default -DTOCKMERE_TESTS=OFF
cmake --build --preset default

if [ "${TOCKMERE_XVFB:-0}" != "1" ]; then
    exec ./build/tockmere
fi

# --- Headless trial on a virtual X server -----------------------------------

. scripts/lib/desktop.sh
trap desktop_stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
desktop_start 1280x800

echo "start: Tockmere is running on the virtual display $DISPLAY."
echo "start: screenshot: DISPLAY=$DISPLAY import -window root shot.png"
echo "start: stop it with Ctrl-C or its own exit command."

status=0
./build/tockmere || status=$?
exit "$status"
