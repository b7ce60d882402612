#!/bin/sh
# Builds Tockmere's packages:
#   deb      build/tockmere_<version>_<arch>.deb, the Debian package
#   windows  build-windows/tockmere-<version>-windows-x64.zip, the Windows download
# usage: sh scripts/package.sh [deb|windows]...   (both when none is named)
set -eu

cd "$(dirname "$0")/.."

[ $# -gt 0 ] || set -- deb windows
groups="run unit deb"
for kind in "$@"; do
    case "$kind" in
        deb) ;;
        windows) groups="$groups windows" ;;
        *) echo "package: no package kind '$kind'; the kinds are: deb windows" >&2; exit 2 ;;
    esac
done
# shellcheck disable=SC2086
sh scripts/setup.sh $groups

for kind in "$@"; do
    case "$kind" in
        deb) preset=default package=deb ;;
        windows) preset=windows package=windows-zip ;;
    esac
    cmake --preset "$preset" -DTOCKMERE_TESTS=ON
    cmake --build --preset "$preset"
    cpack --preset "$package"
done
