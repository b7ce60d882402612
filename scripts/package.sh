#!/bin/sh
# Builds Tockmere's packages:
#   deb      build/tockmere_<version>_<arch>.deb, the Debian package
#   windows  build-windows/tockmere-<version>-windows-x64.zip, the Windows
#            download, and build-windows/tockmere-<version>-windows-x64.msi,
#            its installer
# usage: sh scripts/package.sh [deb|windows]...   (both when none is named)
#
# Everything in the packages is dated with SOURCE_DATE_EPOCH, by default the
# time of the last commit, so that building one commit twice gives the same
# bytes. TOCKMERE_BUILD_SUFFIX, if set, builds in build<suffix> and
# build-windows<suffix> instead (tests/package/run.sh builds twice that way).
set -eu

cd "$(dirname "$0")/.."

[ $# -gt 0 ] || set -- deb windows
groups="run unit deb"
for kind in "$@"; do
    case "$kind" in
        deb) ;;
        windows) groups="$groups windows msi" ;;
        *) echo "package: no package kind '$kind'; the kinds are: deb windows" >&2; exit 2 ;;
    esac
done
# shellcheck disable=SC2086
sh scripts/setup.sh $groups

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || true)
fi
if [ -n "$SOURCE_DATE_EPOCH" ]; then
    export SOURCE_DATE_EPOCH
else
    unset SOURCE_DATE_EPOCH
    echo "package: not a git checkout and no SOURCE_DATE_EPOCH: the packages are dated now" >&2
fi

suffix=${TOCKMERE_BUILD_SUFFIX:-}
for kind in "$@"; do
    case "$kind" in
        deb) preset=default package=deb generator=DEB dir=build ;;
        windows) preset=windows package=windows-zip generator=ZIP dir=build-windows ;;
    esac
    if [ -z "$suffix" ]; then
        cmake --preset "$preset" -DTOCKMERE_TESTS=ON
        cmake --build --preset "$preset"
        cpack --preset "$package"
    else
        # The program and its packages only, in a build folder of their own.
        cmake --preset "$preset" -B "$dir$suffix" -DTOCKMERE_TESTS=OFF
        cmake --build "$dir$suffix"
        cpack -G "$generator" --config "$dir$suffix/CPackConfig.cmake" -B "$dir$suffix"
    fi
    if [ "$kind" = windows ]; then
        cmake --build "$dir$suffix" --target msi
    fi
done
