#!/bin/sh
# Installs the Debian 12 packages needed to build Tockmere, run it and run its
# tests (including the end-to-end tests on a virtual X desktop, and the Windows
# build under Wine), and generates the zh_CN.UTF-8 locale Wine runs in.
# Installs only what is missing; prints a single line when everything is
# already present.
set -eu

# Build: compiler, CMake with Ninja, Qt 6 Widgets, GoogleTest, clang-format.
build_packages="cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev googletest clang-format"
# Desktop for running and end-to-end testing under Xvfb: window manager and
# tray host, X tools, screenshots, a CJK font, a settable clock, Python with Xlib.
desktop_packages="xvfb xauth xdotool x11-utils imagemagick fonts-wqy-zenhei jwm faketime python3 python3-xlib"
# Other Linux desktops in the end-to-end tests: a private session bus,
# xfce4-panel as StatusNotifierItem tray host, Python's D-Bus to look at the
# item, dbus-launch, which the program must never start, and a Wayland desktop
# (sway with Xwayland, waybar) with Qt's Wayland platform.
sni_packages="dbus-daemon dbus-bin dbus-x11 xfce4-panel python3-dbus sway waybar xwayland wtype qt6-wayland"
# Windows build: the MinGW-w64 cross compiler with POSIX threads, its binutils
# (windres), and Wine with its fonts to run the programs; GoogleTest comes from
# the sources of the googletest package above. locales generates zh_CN.UTF-8.
windows_packages="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine locales"

# Wine's ANSI code page follows the locale: 936 needs zh_CN.UTF-8.
wine_locale=zh_CN.UTF-8
has_wine_locale() {
    locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\{0,1\}8'
}

missing=""
for pkg in $build_packages $desktop_packages $sni_packages $windows_packages; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ] && has_wine_locale; then
    echo "setup: all required packages are installed."
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
    if ! has_wine_locale; then
        echo "setup: the $wine_locale locale is missing." >&2
    fi
    echo "setup: installing them needs root; run this script as root or install sudo." >&2
    exit 1
fi

if [ -n "$missing" ]; then
    echo "setup: installing missing packages:$missing"
    # $missing and $as_root are deliberately unquoted: they are word lists.
    # shellcheck disable=SC2086
    $as_root apt-get update
    # shellcheck disable=SC2086
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
fi

if ! has_wine_locale; then
    echo "setup: generating the $wine_locale locale"
    # Enabled in /etc/locale.gen too, so that a later locale-gen keeps it.
    if [ -f /etc/locale.gen ]; then
        # shellcheck disable=SC2086
        $as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    fi
    # shellcheck disable=SC2086
    $as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    has_wine_locale || { echo "setup: the $wine_locale locale could not be generated." >&2; exit 1; }
fi
