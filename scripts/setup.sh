#!/bin/sh
# Installs the Debian 12 packages of the named groups, each listed in
# scripts/packages/GROUP.txt (one package a line, # for comments):
#   run       building and running Tockmere (what scripts/start.sh needs)
#   xvfb      running it on a virtual X server (TOCKMERE_XVFB=1)
#   deb       making the Debian package (scripts/package.sh)
#   msi       making the Windows installer (scripts/package.sh windows)
#   format unit e2e windows package    the stages of scripts/test.sh
#   extras    screenshots and benchmarks
# With no group named, installs every group. The windows group also generates
# the zh_CN.UTF-8 locale Wine runs in. Installs only what is missing, and says
# what it installs; prints a single line when everything is already present.
#
# usage: sh scripts/setup.sh [GROUP...]
set -eu

lists=$(cd "$(dirname "$0")/packages" && pwd)
if [ $# -eq 0 ]; then
    set -- $(cd "$lists" && ls *.txt | sed 's/\.txt$//')
fi

packages=""
wants_locale=no
for group in "$@"; do
    [ -f "$lists/$group.txt" ] || { echo "setup: no package group '$group' (see $lists)" >&2; exit 2; }
    packages="$packages $(sed 's/#.*//' "$lists/$group.txt")"
    [ "$group" = windows ] && wants_locale=yes
done

# Wine's ANSI code page follows the locale: 936 needs zh_CN.UTF-8.
wine_locale=zh_CN.UTF-8
locale_missing() {
    [ "$wants_locale" = yes ] && ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\{0,1\}8'
}

missing=""
for pkg in $(printf '%s\n' $packages | sort -u); do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ] && ! locale_missing; then
    echo "setup: the packages for $* are installed."
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    if [ -n "$missing" ]; then
        echo "setup: these packages are missing:$missing" >&2
    fi
    if locale_missing; then
        echo "setup: the $wine_locale locale is missing." >&2
    fi
    echo "setup: installing them needs root; run this script as root or install sudo." >&2
    exit 1
fi

if [ -n "$missing" ]; then
    echo "setup: installing for $*:$missing"
    # $missing and $as_root are deliberately unquoted: they are word lists.
    # shellcheck disable=SC2086
    $as_root apt-get update
    # shellcheck disable=SC2086
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi

if locale_missing; then
    echo "setup: generating the $wine_locale locale"
    # Enabled in /etc/locale.gen too, so that a later locale-gen keeps it.
    if [ -f /etc/locale.gen ]; then
        # shellcheck disable=SC2086
        $as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    fi
    # shellcheck disable=SC2086
    $as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    if locale_missing; then
        echo "setup: the $wine_locale locale could not be generated." >&2
        exit 1
    fi
fi
