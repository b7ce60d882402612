#!/bin/sh
# The packages as a user gets them:
#  - the Debian package is built (scripts/package.sh), lintian finds no error
#    in it, apt-get installs it, the installed desktop entry and metainfo
#    validate, the icon is there at every size, `tockmere` from the PATH shows
#    its window and tray icon on a virtual desktop and ends from its menu, and
#    apt-get purge leaves nothing behind under /usr;
#  - the Windows zip is built, holds the program, the licence and the read-me,
#    and the program from it starts under Wine;
#  - the Windows installer installs, upgrades and uninstalls cleanly under
#    Wine (tests/package/msi.sh);
#  - the .deb, the zip and the installer built a second time, in other build
#    folders, are the same bytes;
#  - the programs in the .deb and the zip are hardened
#    (tests/package/hardening.sh);
#  - what a user reads in the .deb, the zip and the installer holds no example
#    domain, no address and no tool's boilerplate, and names who made it
#    (tests/package/texts.py);
#  - scripts/start.sh installs nothing for the tests or the Windows build.
# Needs root (it installs and removes the package). Prints one line per check
# and, last, "N passed, M failed".
#
# usage: sh tests/package/run.sh
set -u
cd "$(dirname "$0")/../.."
root=$(pwd)
python=/usr/bin/python3

passed=0
failed=0
pass() {
    passed=$((passed + 1))
    echo "PASS $*"
}
fail() {
    failed=$((failed + 1))
    echo "FAIL $*"
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}
# run_checks NAME COMMAND... : a script printing PASS and FAIL lines of its
# own; they count here.
run_checks() {
    name=$1
    shift
    "$@" >"$work/$name.out" 2>&1
    status=$?
    cat "$work/$name.out"
    passed=$((passed + $(grep -c '^PASS' "$work/$name.out")))
    checks_failed=$(grep -c '^FAIL' "$work/$name.out")
    failed=$((failed + checks_failed))
    if [ "$status" -ne 0 ] && [ "$checks_failed" -eq 0 ]; then
        fail "$name: $* exited with status $status"
    fi
}

work=$(mktemp -d "${TMPDIR:-/tmp}/tockmere-package.XXXXXX")
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    if [ -s "$work/installed.pids" ]; then
        while read -r pid; do kill -KILL -- "-$pid" 2>/dev/null; done <"$work/installed.pids"
    fi
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null; fi
    command -v desktop_stop >/dev/null 2>&1 && desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if sh tests/package/lists.sh >"$work/lists.out"; then
    pass "start_packages"
else
    fail "$(grep FAIL "$work/lists.out" | head -n 3 | tr '\n' ' ')"
fi

[ "$(id -u)" -eq 0 ] || { fail "deb: installing the package needs root"; finish; }
version=$(sed -n 's/^project(Tockmere VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { fail "no project VERSION in CMakeLists.txt"; finish; }

# --- The Debian package --------------------------------------------------------
rm -f build/tockmere_*.deb build-windows/tockmere-*-windows-x64.zip build-windows/tockmere-*-windows-x64.msi
if ! sh scripts/package.sh deb windows >"$work/package.log" 2>&1; then
    tail -n 30 "$work/package.log"
    fail "packages: scripts/package.sh failed"
    finish
fi
deb=$(ls build/tockmere_*.deb 2>/dev/null)
if [ "$(basename "$deb")" = "tockmere_${version}_$(dpkg --print-architecture).deb" ]; then
    pass "deb_built ($deb)"
else
    fail "deb_built: expected build/tockmere_${version}_$(dpkg --print-architecture).deb, found '$deb'"
    finish
fi

zip=build-windows/tockmere-$version-windows-x64.zip
msi=build-windows/tockmere-$version-windows-x64.msi

# --- Built twice, the same bytes -----------------------------------------------
# Once more from the same commit in build-again/ and build-windows-again/ (the
# program and its packages only): every package must come out identical.
again=-again
rm -f "build$again"/tockmere_*.deb "build-windows$again"/tockmere-*-windows-x64.*
if TOCKMERE_BUILD_SUFFIX=$again sh scripts/package.sh deb windows >"$work/package-again.log" 2>&1; then
    differ=""
    for first in "$deb" "$zip" "$msi"; do
        second=$(echo "$first" | sed "s|^\(build[^/]*\)/|\1$again/|")
        if [ ! -f "$first" ] || [ ! -f "$second" ]; then
            differ="$differ $first or $second missing;"
        elif ! cmp -s "$first" "$second"; then
            differ="$differ $first and $second differ ($(cmp "$first" "$second" | head -n 1 | sed 's/.*differ: //'), $(cmp -l "$first" "$second" | wc -l) bytes);"
        fi
    done
    if [ -z "$differ" ]; then
        pass "reproducible (.deb, zip and .msi the same from two build folders; SOURCE_DATE_EPOCH $(git log -1 --format=%ct 2>/dev/null))"
    else
        fail "reproducible:$differ"
    fi
else
    tail -n 30 "$work/package-again.log"
    fail "reproducible: scripts/package.sh in build$again/ and build-windows$again/ failed"
fi

# --- Hardened --------------------------------------------------------------------
mkdir "$work/hardening"
run_checks hardening sh tests/package/hardening.sh "$deb" "$zip" "$work/hardening"

# --- What a user reads -----------------------------------------------------------
mkdir "$work/texts"
run_checks texts "$python" tests/package/texts.py "$deb" "$zip" "$msi" "$version" "$work/texts"

# --- Installed ---------------------------------------------------------------------
control=$(dpkg-deb -f "$deb")
if echo "$control" | grep -q '^Depends:.*libqt6widgets6' &&
    echo "$control" | grep -q '^Depends:.*qt6-translations-l10n' &&
    echo "$control" | grep -q '^Recommends:.*fonts-wqy-zenhei.*libcanberra0.*sound-theme-freedesktop' &&
    echo "$control" | grep -qx "Version: $version"; then
    pass "deb_control"
else
    fail "deb_control: the Qt libraries and their Chinese texts in Depends, a CJK font and the sound in Recommends, Version $version:"
    echo "$control" | sed 's/^/  /'
fi

if lintian --fail-on error "$deb" >"$work/lintian.out" 2>&1; then
    pass "lintian ($(grep -c '^W:' "$work/lintian.out") warnings)"
else
    fail "lintian reports errors:"
    grep '^E:' "$work/lintian.out" | sed 's/^/  /'
fi

# Install as a user would, after noting what is under /usr. Other work on
# this machine may hold dpkg's lock for a while: wait for it.
if dpkg-query -W tockmere >/dev/null 2>&1; then
    apt-get -o DPkg::Lock::Timeout=300 purge -y tockmere >/dev/null 2>&1
fi
find /usr | sort >"$work/usr-before"
if DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y "./$deb" >"$work/install.log" 2>&1; then
    pass "apt_install"
else
    tail -n 20 "$work/install.log"
    fail "apt_install: apt-get install ./$deb failed"
    finish
fi

missing=""
for f in /usr/bin/tockmere /usr/share/applications/tockmere.desktop \
    /usr/share/metainfo/internal.tockmere.tockmere.metainfo.xml /usr/share/doc/tockmere/copyright \
    /usr/share/icons/hicolor/scalable/apps/tockmere.svg; do
    [ -f "$f" ] || missing="$missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
    png=/usr/share/icons/hicolor/${size}x${size}/apps/tockmere.png
    # The width and height of a PNG are the two big-endian words at byte 16.
    got=$($python -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$png" 2>/dev/null)
    [ "$got" = "${size}x${size}" ] || missing="$missing $png(${got:-absent})"
done
if [ -z "$missing" ] && ! dpkg -L tockmere | grep -q '^/etc'; then
    pass "installed_files"
else
    fail "installed_files: missing or wrong:$missing; under /etc: $(dpkg -L tockmere | grep '^/etc' | tr '\n' ' ')"
fi

if desktop-file-validate /usr/share/applications/tockmere.desktop >"$work/dfv.out" 2>&1 && [ ! -s "$work/dfv.out" ]; then
    pass "desktop_file_validate"
else
    fail "desktop-file-validate: $(cat "$work/dfv.out")"
fi
if appstreamcli validate --no-net /usr/share/metainfo/internal.tockmere.tockmere.metainfo.xml >"$work/as.out" 2>&1; then
    pass "appstreamcli_validate"
else
    fail "appstreamcli validate:"
    sed 's/^/  /' "$work/as.out"
fi

# Started by its name from the PATH, as the applications menu does.
if timeout -k 5 120 "$python" tests/package/installed.py /usr/share/applications/tockmere.desktop \
    "$work/installed.pids" >"$work/installed.out" 2>&1; then
    pass "installed_program_runs ($(tail -n 1 "$work/installed.out"))"
else
    fail "installed_program_runs: $(tail -n 1 "$work/installed.out")"
fi

if DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 purge -y tockmere >"$work/purge.log" 2>&1; then
    find /usr | sort >"$work/usr-after"
    left=$(comm -13 "$work/usr-before" "$work/usr-after")
    if [ -z "$left" ]; then
        pass "apt_purge"
    else
        fail "apt_purge left these under /usr: $(echo "$left" | head -n 10 | tr '\n' ' ')"
    fi
else
    tail -n 20 "$work/purge.log"
    fail "apt_purge: apt-get purge tockmere failed"
fi

# --- The Windows zip -----------------------------------------------------------
if [ ! -f "$zip" ]; then
    fail "zip_built: no $zip"
    finish
fi
mkdir "$work/zip"
if "$python" - "$zip" "$work/zip" "$version" >"$work/zip.out" 2>&1 <<'PY'
import sys, zipfile
zip_path, out, version = sys.argv[1:]
with zipfile.ZipFile(zip_path) as z:
    names = sorted(z.namelist())
    assert names == ["LICENSE.txt", "README.txt", "tockmere.exe"], names
    exe = z.read("tockmere.exe")
    assert exe[:2] == b"MZ", "tockmere.exe is not a Windows program"
    # With its byte-order mark: Notepad on a Chinese system reads a UTF-8
    # file without one in the ANSI code page, and shows it garbled.
    raw = z.read("README.txt")
    assert raw.startswith(b"\xef\xbb\xbf"), "README.txt has no byte-order mark"
    readme = raw[3:].decode("utf-8")
    assert "\r\n" in readme and "\n" not in readme.replace("\r\n", ""), "README.txt lacks Windows line ends"
    for text in ("Tockmere " + version, "中文", "English", "tockmere.exe"):
        assert text in readme, "README.txt lacks %r" % text
    licence = z.read("LICENSE.txt").decode("utf-8")
    assert "MIT License" in licence and "Copyright (c) 2026 the Tockmere authors" in licence, licence[:80]
    z.extractall(out)
PY
then
    pass "zip_contents ($zip)"
else
    fail "zip_contents: $(tail -n 1 "$work/zip.out")"
    finish
fi

# The program from the zip starts under Wine: its main window comes up.
. scripts/lib/desktop.sh
if ! sh scripts/wine-run.sh --prepare >/dev/null 2>&1; then
    fail "zip_program_runs: Wine could not be set up"
    finish
fi
if desktop_start 800x600; then
    . scripts/lib/wine-prefix.sh
    WINEPREFIX=$tockmere_wineprefix
    export WINEPREFIX WINEDEBUG=-all LANG=zh_CN.UTF-8
    # The prefix is shared with scripts/wine-run.sh, whose runs stop its
    # wineserver when they start and end: take turns with them through its
    # lock (closed for Wine, so that nothing Wine leaves running holds it).
    exec 9>"$WINEPREFIX.lock"
    if flock -w 900 9; then
        (cd "$work/zip" && exec wine tockmere.exe) >/dev/null 2>&1 9>&- &
        app=$!
        if wait_window "Tockmere Beta 1.1" 60 >/dev/null; then
            pass "zip_program_runs"
        else
            fail "zip_program_runs: no main window of tockmere.exe from the zip within 60s"
        fi
        kill "$app" 2>/dev/null
        app=""
        wineserver -k 9>&- 2>/dev/null
    else
        fail "zip_program_runs: the Wine prefix $WINEPREFIX stayed busy for 900 s"
    fi
    exec 9>&-
    desktop_stop
else
    fail "zip_program_runs: no virtual desktop"
fi

# --- The Windows installer -------------------------------------------------------
mkdir "$work/msi"
run_checks msi sh tests/package/msi.sh build-windows "$work/msi"

finish
