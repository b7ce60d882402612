#!/bin/sh
# Installs the Debian 12 packages needed to build Tockmere, run it and run its
# tests (including the end-to-end tests on a virtual X desktop). Installs only
# what is missing; prints a single line when everything is already present.
set -eu

# Build: compiler, CMake with Ninja, Qt 6 Widgets, GoogleTest, clang-format.
build_packages="cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev googletest clang-format"
# Desktop for running and end-to-end testing under Xvfb: window manager and
# tray host, X tools, screenshots, a CJK font, a settable clock, Python with Xlib.
desktop_packages="xvfb xauth xdotool x11-utils imagemagick fonts-wqy-zenhei jwm faketime python3 python3-xlib"

missing=""
for pkg in $build_packages $desktop_packages; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ]; then
    echo "setup: all required packages are installed."
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "setup: these packages are missing:$missing" >&2
    echo "setup: installing them needs root; run this script as root or install sudo." >&2
    exit 1
fi

echo "setup: installing missing packages:$missing"
# $missing and $as_root are deliberately unquoted: they are word lists.
# shellcheck disable=SC2086
$as_root apt-get update
# shellcheck disable=SC2086
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
