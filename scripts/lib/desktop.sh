# A virtual desktop for trying, photographing and testing Tockmere: Xvfb with
# jwm as window manager and notification area. Source it, then:
#   desktop_start [WIDTHxHEIGHT]   starts both, exports DISPLAY; at
#                                  $TOCKMERE_DESKTOP_DPI dots per inch if set
#   desktop_stop                   stops what desktop_start started
#   wait_window NAME [SECONDS]     waits for a viewable window titled NAME
#   tray_icon                      the id of Tockmere's icon in the tray
#   wine_desktop_start [WxH]       desktop_start, with the Windows tests'
#                                  Wine prefix ready and its turn taken
# Qt uses the XEmbed tray of jwm only without a session bus.

desktop_dir=""
desktop_pids=""

desktop_start() {
    desktop_dir=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-desktop.XXXXXX")
    mkfifo "$desktop_dir/displayfd"
    # Xvfb and jwm in sessions of their own: a Ctrl-C in the terminal reaches
    # the program, which ends on it, and not the X server under it; they are
    # stopped after it, by desktop_stop.
    setsid Xvfb -displayfd 3 -screen 0 "${1:-800x600}x24" -nolisten tcp -dpi "${TOCKMERE_DESKTOP_DPI:-96}" \
        3>"$desktop_dir/displayfd" >"$desktop_dir/xvfb.log" 2>&1 &
    desktop_pids="$!"
    read -r display <"$desktop_dir/displayfd" || true
    if [ -z "$display" ]; then
        echo "desktop: Xvfb did not start:" >&2
        cat "$desktop_dir/xvfb.log" >&2
        return 1
    fi
    DISPLAY=":$display"
    export DISPLAY
    unset DBUS_SESSION_BUS_ADDRESS
    cat >"$desktop_dir/jwmrc" <<'JWMRC'
<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="-1" height="32" autohide="off"><TaskList maxwidth="256"/><Dock/></Tray>
  <WindowStyle><Font>WenQuanYi Zen Hei-10</Font></WindowStyle>
  <TrayStyle><Font>WenQuanYi Zen Hei-10</Font></TrayStyle>
  <MenuStyle><Font>WenQuanYi Zen Hei-10</Font></MenuStyle>
</JWM>
JWMRC
    setsid jwm -f "$desktop_dir/jwmrc" >"$desktop_dir/jwm.log" 2>&1 &
    desktop_pids="$desktop_pids $!"
    # The program looks for the tray at start: wait until jwm owns it.
    tries=0
    until tray_owned; do
        tries=$((tries + 1))
        if [ "$tries" -gt 50 ]; then
            echo "desktop: the window manager did not start:" >&2
            cat "$desktop_dir/jwm.log" >&2
            return 1
        fi
        sleep 0.1
    done
    # The scale a desktop sets for its programs: Xft.dpi, as xrdb would (once
    # the window manager holds the display, which would otherwise reset).
    if [ -n "${TOCKMERE_DESKTOP_DPI:-}" ]; then
        /usr/bin/python3 -c '
import sys
from Xlib import Xatom, display
d = display.Display()
d.screen().root.change_property(d.intern_atom("RESOURCE_MANAGER"), Xatom.STRING, 8,
                                ("Xft.dpi:\t%s\n" % sys.argv[1]).encode())
d.sync()
' "$TOCKMERE_DESKTOP_DPI"
    fi
}

# Debian's own Python, which has the Xlib module, whatever python3 is first on PATH.
tray_owned() {
    /usr/bin/python3 -c '
import sys
from Xlib import X, display
d = display.Display()
owner = d.get_selection_owner(d.intern_atom("_NET_SYSTEM_TRAY_S0"))
sys.exit(1 if owner == X.NONE or getattr(owner, "id", owner) == X.NONE else 0)
' 2>/dev/null
}

desktop_stop() {
    for p in $desktop_pids; do kill "$p" 2>/dev/null || true; done
    desktop_pids=""
    [ -n "$desktop_dir" ] && rm -rf "$desktop_dir"
    desktop_dir=""
}

wait_window() {
    for _ in $(seq "$(( ${2:-10} * 10 ))"); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "desktop: no window titled '$1'" >&2
    return 1
}

# The icon is a small viewable window of the program's class inside the tray.
tray_icon() {
    for id in $(xdotool search --class tockmere 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
        if [ "${WIDTH:-0}" -le 48 ] && [ "${HEIGHT:-0}" -le 48 ] &&
            xwininfo -id "$id" 2>/dev/null | grep -q IsViewable; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# libfaketime's wrapper names a semaphore and a piece of shared memory after
# its own process id and removes them as it ends; one that is killed leaves
# them behind, and a later wrapper given the same id refuses to start
# ("sem_open: File exists"). Those of processes that are gone are removed.
faketime_clear_stale() {
    for f in /dev/shm/sem.faketime_sem_* /dev/shm/faketime_shm_*; do
        [ -e "$f" ] || continue
        [ -d "/proc/${f##*_}" ] || rm -f "$f"
    done
}

# The Wine prefix of the Windows tests on a desktop of its own. The prefix's
# turn is taken as scripts/wine-run.sh takes it (descriptor 9, closed for
# what is started), since stopping its Wine server reaches every program in
# it; a server still running is stopped. Exports WINEPREFIX; says what
# failed on stderr.
wine_desktop_start() {
    sh scripts/wine-run.sh --prepare || { echo "Wine could not be set up" >&2; return 1; }
    desktop_start "${1:-800x600}" || { echo "no virtual desktop" >&2; return 1; }
    . scripts/lib/wine-prefix.sh
    exec 9>"$tockmere_wineprefix.lock" || return 1
    flock -w "${TOCKMERE_WINE_WAIT:-900}" 9 || { echo "another run kept the Wine prefix busy" >&2; return 1; }
    WINEPREFIX=$tockmere_wineprefix
    export WINEPREFIX WINEDEBUG=-all LANG=zh_CN.UTF-8
    wineserver -k 9>&- 2>/dev/null
    wineserver -w 9>&-
}
