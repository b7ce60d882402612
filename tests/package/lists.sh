#!/bin/sh
# The packages scripts/start.sh installs are for building and running only: no
# Wine, no MinGW-w64, no test tool. Reads the groups start.sh hands to
# scripts/setup.sh and the lists of scripts/packages/ they name.
set -u
cd "$(dirname "$0")/../.."

failed=0
fail() {
    echo "FAIL start_packages: $*"
    failed=1
}

groups=$(sed -n 's/^ *sh scripts\/setup\.sh\(.*\)$/\1/p' scripts/start.sh | tr ' ' '\n' | sort -u | grep .)
[ -n "$groups" ] || fail "scripts/start.sh calls scripts/setup.sh with no group (that installs every group)"
for group in $groups; do
    case "$group" in
        [a-z]*) ;;
        *) fail "scripts/start.sh passes '$group' to scripts/setup.sh, not a group name" ;;
    esac
done

# Packages that only the tests, the Windows build or the packaging need.
not_for_running='^(wine.*|fonts-wine|.*mingw.*|libgtest-dev|googletest|xdotool|faketime|clang-format|imagemagick|lintian|desktop-file-utils|appstream|dpkg-dev|wixl|msitools|devscripts)$'
for group in $groups; do
    list=scripts/packages/$group.txt
    if [ ! -f "$list" ]; then
        fail "scripts/start.sh names the group '$group', but there is no $list"
        continue
    fi
    for pkg in $(sed 's/#.*//' "$list"); do
        if echo "$pkg" | grep -Eq "$not_for_running"; then
            fail "$list (installed by scripts/start.sh) holds $pkg"
        fi
    done
done

# Every package of a test stage's list that start.sh installs too must be one
# that running on a virtual X server needs as well.
shared_with_running=' xvfb xauth jwm python3 python3-xlib '
start_packages=$(for group in $groups; do
    [ -f "scripts/packages/$group.txt" ] && sed 's/#.*//' "scripts/packages/$group.txt"
done | tr -s ' \n' '\n\n' | sort -u)
for stage in format unit e2e windows deb msi package; do
    for pkg in $(sed 's/#.*//' "scripts/packages/$stage.txt"); do
        if echo "$start_packages" | grep -qx "$pkg"; then
            case "$shared_with_running" in
                *" $pkg "*) ;;
                *) fail "$pkg, from the $stage stage's list, is installed by scripts/start.sh" ;;
            esac
        fi
    done
done

# What running needs is there.
for pkg in qt6-base-dev cmake fonts-wqy-zenhei; do
    grep -qx "$pkg" scripts/packages/run.txt || fail "scripts/packages/run.txt lacks $pkg"
done

if [ "$failed" -eq 0 ]; then
    echo "PASS start_packages ($(echo $groups))"
    echo "1 passed, 0 failed"
else
    echo "0 passed, 1 failed"
fi
exit "$failed"
