#!/bin/sh
# The Windows installer as a user meets it, under Wine, in a Wine prefix made
# for this run (so that nothing from an earlier run or from the other tests is
# there):
#  - a silent install puts the program (the zip's own, byte for byte), the
#    licence and the read-me in the user's Programs folder, with no
#    administrator; Apps & features lists it once with its name, version,
#    publisher, icon and uninstall command; nothing starts it at login;
#  - the Start-menu shortcut "Tockmere 定时提醒" points at the installed
#    program, with the icon, and starting it shows the main window;
#  - a silent uninstall leaves no file, registry key or value behind;
#  - an older version installed with AUTOSTART=1 writes the Run value; the
#    current version installed over it replaces it in place (one entry, the new
#    version and program) and keeps the Run value; uninstalling it removes
#    everything again;
#  - the same upgrade with AUTOSTART=0 drops the Run value.
# Prints one line per check, PASS or FAIL.
#
# usage: sh tests/package/msi.sh BUILD-DIR WORK-DIR
#   BUILD-DIR  the windows preset's build (the .msi, the zip, msi/settings.cmake)
#   WORK-DIR   an empty folder for the prefix, the older installer and the logs
set -u
cd "$(dirname "$0")/../.."
python=/usr/bin/python3
build=$(cd "$1" && pwd)
work=$(cd "$2" && pwd)

# printf, not echo: the messages hold Windows paths, and sh's echo reads \t.
pass() { printf 'PASS %s\n' "$*"; }
fail() { printf 'FAIL %s\n' "$*"; }

version=$(sed -n 's/^project(Tockmere VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
msi=$build/tockmere-$version-windows-x64.msi
zip=$build/tockmere-$version-windows-x64.zip
name="Tockmere 定时提醒"
publisher="the Tockmere authors"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
state() { "$python" tests/package/winstate.py "$@"; }
sha() { sha256sum "$1" 2>/dev/null | cut -d' ' -f1; }

if [ ! -f "$msi" ]; then
    fail "msi_built: no $msi"
    exit 1
fi
pass "msi_built ($(basename "$msi"), $(($(wc -c <"$msi") / 1024)) KiB)"

# An older version of the same installer, for the upgrade.
major=${version%%.*}
minor=${version#*.}
minor=${minor%%.*}
if [ "$minor" -gt 0 ]; then older=$major.$((minor - 1)); else older=$((major - 1)).9; fi
if ! cmake -DSETTINGS="$build/msi/settings.cmake" -DVERSION="$older" \
    -DOUTPUT="$work/tockmere-$older-windows-x64.msi" -P cmake/make-msi.cmake >"$work/older.log" 2>&1; then
    tail -n 5 "$work/older.log"
    fail "msi_older_built: the installer of version $older could not be made"
    exit 1
fi
older_msi=$work/tockmere-$older-windows-x64.msi

# The program of the zip, to compare with what the installer puts in place.
"$python" -c 'import sys, zipfile; open(sys.argv[2], "wb").write(zipfile.ZipFile(sys.argv[1]).read("tockmere.exe"))' \
    "$zip" "$work/zip-tockmere.exe" || fail "msi: cannot read tockmere.exe from $zip"

# A prefix of its own: the one the other tests share is left alone.
unset DISPLAY
prefix=$work/prefix
if ! TOCKMERE_WINEPREFIX=$prefix sh scripts/wine-run.sh --prepare >"$work/prefix.log" 2>&1; then
    tail -n 20 "$work/prefix.log"
    fail "msi: no Wine prefix"
    exit 1
fi
WINEPREFIX=$prefix
WINEDEBUG=-all
# No Mono or Gecko, and no Linux menu entries made for the shortcut.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
LANG=zh_CN.UTF-8
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LANG

. scripts/lib/desktop.sh
cleanup() {
    wineserver -k 2>/dev/null
    desktop_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if ! desktop_start 800x600; then
    fail "msi: no virtual desktop"
    exit 1
fi

# The registry files are written when the wineserver stops.
settle() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
windows_path() { printf 'Z:%s\n' "$1" | tr / '\\'; }
# msiexec ARGUMENT... : run silently, its log kept; the status is msiexec's.
msiexec() {
    log=$work/msiexec-$(date +%s%N).log
    timeout -k 5 180 wine msiexec "$@" /qn /l*v "$(windows_path "$log")" >/dev/null 2>&1
    status=$?
    settle
    return $status
}
# The actions of msiexec's log that did not succeed ("返回值 1"); the log is
# in the prefix's code page, 936.
show_log() {
    [ -f "$log" ] && iconv -c -f GBK -t UTF-8 "$log" | tr -d '\r' |
        grep -E '返回值 [02-9]|rror' | head -n 5 | sed 's/^/  /'
}

user_dir=$(cd "$prefix/drive_c/users" && for d in *; do [ -d "$d/AppData/Local" ] && [ "$d" != Public ] && echo "$d"; done | head -n 1)
install_dir=$prefix/drive_c/users/$user_dir/AppData/Local/Programs/Tockmere
exe_windows="C:\\users\\$user_dir\\AppData\\Local\\Programs\\Tockmere\\tockmere.exe"
shortcut="$prefix/drive_c/users/$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$name.lnk"
unix_path() { # a C:\ path of the prefix, as a Linux path
    printf '%s/drive_c/%s\n' "$prefix" "$(printf '%s' "${1#[Cc]:\\}" | tr '\\' /)"
}
is_icon() { [ "$(head -c 4 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 00000100 ]; }

# check_entry VERSION : exactly one Apps & features entry for the program, of VERSION.
check_entry() {
    state uninstall-entries "$prefix" "$name" >"$work/entries"
    count=$(grep -c . "$work/entries")
    if [ "$count" -ne 1 ]; then
        printf '%s\n' "$count entries named '$name' (one expected): $(cut -f1 "$work/entries" | tr '\n' ' ')"
        return 1
    fi
    for expected in "DisplayVersion=$1" "Publisher=$publisher" "DisplayName=$name"; do
        if ! tr '\t' '\n' <"$work/entries" | grep -qxF "$expected"; then
            printf '%s\n' "no $expected in $(cut -f1 "$work/entries")"
            return 1
        fi
    done
    if ! tr '\t' '\n' <"$work/entries" | grep -qiE '^UninstallString=MsiExec\.exe /X\{[0-9A-F-]{36}\}$'; then
        echo "no msiexec uninstall command in the entry"
        return 1
    fi
    return 0
}

# --- Installed, as by a user without administrator rights ----------------------
state snapshot "$prefix" "$work/before.json"
if msiexec /i "$(windows_path "$msi")"; then
    pass "msi_install"
else
    fail "msi_install: msiexec /i $(basename "$msi") /qn failed ($status):"
    show_log
    exit 1
fi

problems=""
for f in tockmere.exe LICENSE.txt README.txt; do
    [ -f "$install_dir/$f" ] || problems="$problems no $f;"
done
[ "$(sha "$install_dir/tockmere.exe")" = "$(sha "$work/zip-tockmere.exe")" ] ||
    problems="$problems the installed tockmere.exe is not the zip's;"
if [ -z "$problems" ]; then
    pass "msi_installed_files (in the user's AppData\\Local\\Programs\\Tockmere)"
else
    fail "msi_installed_files:$problems $(ls "$install_dir" 2>&1 | tr '\n' ' ')"
fi

if why=$(check_entry "$version"); then
    pass "msi_apps_entry ($name $version, $publisher)"
else
    fail "msi_apps_entry: $why"
fi

# The icon Apps & features shows is the product's icon, kept by Windows Installer.
icon=$(state products-icon "$prefix" "$name" 2>/dev/null)
if [ -n "$icon" ] && is_icon "$(unix_path "$icon")"; then
    pass "msi_apps_icon"
else
    fail "msi_apps_icon: the product's icon '$icon' is not an icon file"
fi

if value=$(state value "$prefix" "$run_key" Tockmere); then
    fail "msi_no_autostart: the Run value is there without AUTOSTART=1: $value"
else
    pass "msi_no_autostart"
fi

if [ -f "$shortcut" ] && state shortcut "$shortcut" >"$work/shortcut"; then
    target=$(sed -n 1p "$work/shortcut")
    icon=$(sed -n 3p "$work/shortcut")
    if [ "$target" = "$exe_windows" ] && is_icon "$(unix_path "$icon")"; then
        pass "msi_shortcut ($name → $target)"
    else
        fail "msi_shortcut: target '$target' (expected '$exe_windows'), icon '$icon'"
    fi
else
    fail "msi_shortcut: no shortcut '$name' in the Start menu: $(ls "$(dirname "$shortcut")" 2>&1 | tr '\n' ' ')"
fi

# Started from the shortcut, as from the Start menu: the main window comes up.
wine start /unix "$shortcut" >/dev/null 2>&1 &
if wait_window "Tockmere Beta $version" 60 >/dev/null; then
    pass "msi_shortcut_starts_program"
else
    fail "msi_shortcut_starts_program: no main window within 60 s of starting the shortcut"
fi
settle

if msiexec /x "$(windows_path "$msi")"; then
    state snapshot "$prefix" "$work/after.json"
    if state leftovers "$work/before.json" "$work/after.json" >"$work/leftovers"; then
        pass "msi_uninstall (nothing left)"
    else
        fail "msi_uninstall left: $(head -n 10 "$work/leftovers" | tr '\n' ';')"
    fi
else
    fail "msi_uninstall: msiexec /x failed ($status):"
    show_log
fi

# --- An older version, started at login, then replaced ----------------------------
if msiexec /i "$(windows_path "$older_msi")" AUTOSTART=1; then
    value=$(state value "$prefix" "$run_key" Tockmere)
    why=$(check_entry "$older")
    if [ "$value" = "\"$exe_windows\"" ] && [ -z "$why" ]; then
        pass "msi_autostart (version $older with AUTOSTART=1: Run = $value)"
    else
        fail "msi_autostart: Run value '$value' (expected \"$exe_windows\"); $why"
    fi
else
    fail "msi_autostart: msiexec /i $(basename "$older_msi") AUTOSTART=1 failed ($status):"
    show_log
fi

if msiexec /i "$(windows_path "$msi")"; then
    value=$(state value "$prefix" "$run_key" Tockmere)
    if why=$(check_entry "$version") &&
        [ "$(sha "$install_dir/tockmere.exe")" = "$(sha "$work/zip-tockmere.exe")" ] &&
        [ "$value" = "\"$exe_windows\"" ]; then
        pass "msi_upgrade ($older → $version: one entry, the new program, still started at login)"
    else
        fail "msi_upgrade: $why; Run value '$value'; installed program $(sha "$install_dir/tockmere.exe" | cut -c1-12) vs the zip's $(sha "$work/zip-tockmere.exe" | cut -c1-12)"
    fi
else
    fail "msi_upgrade: msiexec /i $(basename "$msi") over $older failed ($status):"
    show_log
fi

if msiexec /x "$(windows_path "$msi")"; then
    state snapshot "$prefix" "$work/after-upgrade.json"
    if state leftovers "$work/before.json" "$work/after-upgrade.json" >"$work/leftovers"; then
        pass "msi_uninstall_after_upgrade (nothing left, no Run value)"
    else
        fail "msi_uninstall_after_upgrade left: $(head -n 10 "$work/leftovers" | tr '\n' ';')"
    fi
else
    fail "msi_uninstall_after_upgrade: msiexec /x failed ($status):"
    show_log
fi

# --- The same upgrade, told to stop starting at login ----------------------------
if msiexec /i "$(windows_path "$older_msi")" AUTOSTART=1 && msiexec /i "$(windows_path "$msi")" AUTOSTART=0; then
    if value=$(state value "$prefix" "$run_key" Tockmere); then
        fail "msi_upgrade_autostart_off: the Run value is still there after an upgrade with AUTOSTART=0: $value"
    elif ! why=$(check_entry "$version"); then
        fail "msi_upgrade_autostart_off: $why"
    else
        pass "msi_upgrade_autostart_off ($older with AUTOSTART=1 → $version with AUTOSTART=0: no Run value)"
    fi
else
    fail "msi_upgrade_autostart_off: msiexec failed ($status):"
    show_log
fi
msiexec /x "$(windows_path "$msi")"
state snapshot "$prefix" "$work/after-off.json"
if state leftovers "$work/before.json" "$work/after-off.json" >"$work/leftovers"; then
    pass "msi_uninstall_after_autostart_off (nothing left)"
else
    fail "msi_uninstall_after_autostart_off left: $(head -n 10 "$work/leftovers" | tr '\n' ';')"
fi
