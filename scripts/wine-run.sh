#!/bin/sh
# Runs a Windows program under Wine: what ctest and gtest_discover_tests use to
# start the .exe files of the Windows build, and handy by hand.
#
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENT...]
#   scripts/wine-run.sh --prepare      only sets the prefix up (see below)
#   scripts/wine-run.sh --session COMMAND [ARGUMENT...]
#                                      runs COMMAND with the prefix's Wine
#                                      kept running: the runs of this script
#                                      that COMMAND makes share one display
#                                      and one wineserver (see below)
#
# The program's output comes through with Wine's carriage returns removed, and
# its exit status is this script's (124 when it ran out of time, 125 when Wine
# could not be set up).
#
# Wine runs in a prefix of Tockmere's own, created on first use: the Simplified
# Chinese locale (so the ANSI code page is 936), Wine's own fonts in
# C:\windows\Fonts, SimSun and 宋体 drawn with WenQuanYi Zen Hei, and windows
# left alone by the X window manager. Without $DISPLAY the run gets an Xvfb of
# its own. Every run ends by stopping the prefix's wineserver (and its Xvfb),
# so runs sharing a prefix take turns.
#
# Starting Wine (its server, its desktop, its services) costs seconds, many
# times what one test does. A session holds the prefix's turn, a display and
# one wineserver for as long as COMMAND runs (ctest, say): each run within it
# is a Windows process of its own, started straight away, and Wine is
# stopped once, at the session's end.
#
# Environment:
#   TOCKMERE_WINEPREFIX     the prefix (default ~/.cache/tockmere/wine64,
#                           written in scripts/lib/wine-prefix.sh)
#   TOCKMERE_WINE_TIMEOUT   seconds the program may run (default 600)
#   TOCKMERE_WINE_WAIT      seconds to wait for another run's turn (default 900)
set -u

. "$(dirname "$0")/lib/wine-prefix.sh"
prefix=$tockmere_wineprefix
run_limit=${TOCKMERE_WINE_TIMEOUT:-600}
turn_wait=${TOCKMERE_WINE_WAIT:-900}
locale_name=zh_CN.UTF-8
# Raise when the prefix set up below changes: older prefixes are set up again.
prefix_version=1

fail() {
    echo "wine-run: $*" >&2
    exit 125
}

[ $# -ge 1 ] || fail "usage: $0 PROGRAM.exe [ARGUMENT...] | --prepare | --session COMMAND..."
prepare=""
session=""
[ "$1" = --prepare ] && prepare=yes
if [ "$1" = --session ]; then
    shift
    [ $# -ge 1 ] || fail "usage: $0 --session COMMAND [ARGUMENT...]"
    session=yes
fi
# Within a session of this prefix: Wine is running and the turn is held.
in_session=""
[ "${TOCKMERE_WINE_SESSION:-}" = "$prefix" ] && [ -z "$prepare$session" ] && in_session=yes
for tool in wine wineboot wineserver flock timeout; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed (sh scripts/setup.sh installs it)"
done
# Without the locale Wine falls back to code page 1252 and Chinese becomes "?".
locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\{0,1\}8' ||
    fail "the $locale_name locale is missing (sh scripts/setup.sh generates it)"

mkdir -p "$(dirname "$prefix")" || fail "cannot create $(dirname "$prefix")"

WINEPREFIX=$prefix
WINEARCH=win64
# Wine's X11 driver waits for the X server's answer to each request (its
# "synchronous" channel). Otherwise a busy X server could send the FocusOut
# of a window that a modal box covered only after the box had closed; Wine
# then handed Windows' foreground to the desktop, and the window the user
# was back in was not in front. It costs the window tests half their time again.
WINEDEBUG=-all,+synchronous
# No Mono and no Gecko: nothing is downloaded, nothing asks. No menu entries
# or file associations on the Linux desktop either (winemenubuilder).
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES

# Wine itself runs in the Chinese locale; this script's tools keep the caller's.
in_chinese() {
    env LANG="$locale_name" LC_ALL="$locale_name" "$@"
}

# One run at a time per prefix. Descriptor 9 holds the lock; every process
# started below gets it closed, so nothing left behind can keep the lock.
if [ -z "$in_session" ]; then
    exec 9>"$prefix.lock" || fail "cannot open $prefix.lock"
    flock -w "$turn_wait" 9 || fail "another run kept $prefix busy for $turn_wait s"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-wine.XXXXXX") || fail "cannot create a temporary directory"
xvfb_pid=""
run_pid=""
reader_pids=""

stop_wine() {
    [ -n "$in_session" ] && return
    timeout 20 wineserver -k 9>&- >/dev/null 2>&1 || true
}

stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        # Xvfb ends within a moment of SIGTERM; never wait for it for long.
        for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
    rm -f "$prefix.xvfb"
}

cleanup() {
    if [ -n "$run_pid" ]; then
        kill "$run_pid" 2>/dev/null || true
    fi
    stop_wine
    stop_xvfb
    for pid in $reader_pids; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# A run that was killed outright may have left its wineserver and Xvfb behind.
stop_wine
if [ -z "$in_session" ] && [ -f "$prefix.xvfb" ]; then
    stale=$(cat "$prefix.xvfb" 2>/dev/null || true)
    case $stale in
    '' | *[!0-9]*) ;;
    *) if [ "$(cat "/proc/$stale/comm" 2>/dev/null)" = Xvfb ]; then kill "$stale" 2>/dev/null || true; fi ;;
    esac
    rm -f "$prefix.xvfb"
fi

if [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null 2>&1 || fail "there is no \$DISPLAY and Xvfb is not installed"
    # Xvfb writes its display number once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        3>"$work/display" >"$work/xvfb.log" 2>&1 9>&- </dev/null &
    xvfb_pid=$!
    echo "$xvfb_pid" >"$prefix.xvfb"
    display=""
    tries=0
    while [ -z "$display" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            cat "$work/xvfb.log" >&2
            fail "Xvfb did not start"
        fi
        sleep 0.1
        display=$(sed -n '1{/^[0-9][0-9]*$/p;}' "$work/display")
    done
    DISPLAY=:$display
    export DISPLAY
fi

# The prefix, set up once (again when prefix_version changes).
if [ "$(cat "$prefix/.tockmere-prefix" 2>/dev/null)" != "$prefix_version" ]; then
    echo "wine-run: setting up the Wine prefix $prefix" >&2
    started=$(date +%s)
    # Wine's first start in a new prefix sometimes ends in "could not load
    # kernel32.dll" (seen once in CI). The half-made prefix stays broken, so a
    # prefix this run made is made again once; one it found is only booted again.
    made_here=""
    [ -e "$prefix" ] || made_here=yes
    for attempt in 1 2; do
        in_chinese timeout 300 wineboot -i 9>&- >"$work/setup.log" 2>&1 </dev/null &&
            timeout 120 wineserver -w 9>&- && break
        cat "$work/setup.log" >&2
        [ "$attempt" -eq 2 ] && fail "wineboot -i failed in $prefix"
        echo "wine-run: wineboot -i failed in $prefix; trying once more" >&2
        timeout 20 wineserver -k 9>&- >/dev/null 2>&1 || true
        timeout 20 wineserver -w 9>&- >/dev/null 2>&1 || true
        [ -n "$made_here" ] && { rm -rf "$prefix" || fail "cannot remove the half-made $prefix"; }
    done
    set_value() { # KEY NAME DATA
        in_chinese timeout 60 wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f 9>&- >>"$work/setup.log" 2>&1 </dev/null ||
            { cat "$work/setup.log" >&2; fail "cannot set $1\\$2 in $prefix"; }
    }
    # Without a window manager a managed window waits 2 s on every hide.
    set_value 'HKCU\Software\Wine\X11 Driver' Managed N
    substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    set_value "$substitutes" SimSun 'WenQuanYi Zen Hei'
    set_value "$substitutes" '宋体' 'WenQuanYi Zen Hei'
    # Wine's own fonts draw the caption buttons, among others.
    fonts=$prefix/drive_c/windows/Fonts
    mkdir -p "$fonts" || fail "cannot create $fonts"
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -f "$font" ] || fail "no Wine fonts in /usr/share/wine/fonts (install fonts-wine)"
        cp "$font" "$fonts/" || fail "cannot copy $font"
    done
    # Let the wineserver write the registry out before the prefix counts as ready.
    timeout 120 wineserver -w 9>&- || fail "the wineserver of $prefix did not stop"
    echo "$prefix_version" >"$prefix/.tockmere-prefix"
    echo "wine-run: the Wine prefix took $(($(date +%s) - started)) s" >&2
fi
[ -n "$prepare" ] && exit 0

if [ -n "$session" ]; then
    # Wine's server and its programs that outlive a run are started here,
    # with no run's output attached to them.
    timeout 300 wineserver -p 9>&- || fail "the wineserver of $prefix did not start"
    in_chinese timeout 120 wine cmd /c exit 9>&- >/dev/null 2>&1 </dev/null ||
        fail "Wine did not start in $prefix"
    TOCKMERE_WINE_SESSION=$prefix
    export TOCKMERE_WINE_SESSION
    "$@" 9>&-
    exit
fi

# Wine's output goes through readers that drop the carriage returns. Whatever
# Wine leaves running may keep the pipes open: the readers are waited for only
# after the wineserver has been stopped.
mkfifo "$work/out" "$work/err" || fail "cannot create pipes in $work"
tr -d '\r' <"$work/out" 9>&- &
reader_pids=$!
tr -d '\r' <"$work/err" >&2 9>&- &
reader_pids="$reader_pids $!"

# In the background, so that a signal to this script is acted on at once; the
# program still reads this script's standard input.
exec 8<&0
in_chinese timeout -k 10 "$run_limit" wine "$@" <&8 >"$work/out" 2>"$work/err" 8<&- 9>&- &
run_pid=$!
wait "$run_pid"
status=$?
run_pid=""
if [ "$status" -eq 124 ]; then
    echo "wine-run: $1 did not finish within $run_limit s" >&2
elif [ "$status" -ne 0 ]; then
    # A crash shows here only: Wine keeps quiet and the program's buffered
    # output is lost. Windows exit codes arrive modulo 256.
    echo "wine-run: $1 exited with status $status" >&2
fi

stop_wine
tries=0
for pid in $reader_pids; do
    while kill -0 "$pid" 2>/dev/null && [ "$tries" -lt 100 ]; do
        tries=$((tries + 1))
        sleep 0.1
    done
done
for pid in $reader_pids; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
done
reader_pids=""
exit "$status"
