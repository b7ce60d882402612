#!/bin/sh
# Runs the checks of Tockmere, stage by stage:
#   format    the C++ sources against .clang-format
#   unit      the program and its tests built (preset default) and run by ctest
#   sanitize  the same tests under AddressSanitizer/UndefinedBehaviorSanitizer,
#             each program run whole
#   windows   the Windows build cross-compiled with MinGW-w64, its tests run
#             under Wine, and the program on a virtual desktop under Wine
#             (tests/e2e/windows.sh: its tray icon clicked, a second start,
#             the keyboard path as a screen reader hears it)
#   e2e       the built program on a virtual X desktop, driven with xdotool
#   package   the Debian package installed, started and removed; the Windows
#             zip built and started under Wine; the Windows installer
#             installed, upgraded and removed under Wine; the packages built
#             twice and compared; the programs' hardening checked
#
# usage: sh scripts/test.sh [STAGE...]    (every stage when none is named)
# Each stage ends with a line saying how long it took, its builds and test
# runs with one each.
# Installs the packages the named stages need first. Exits non-zero on the
# first failure.
set -eu

cd "$(dirname "$0")/.."

all_stages="format unit sanitize windows e2e package"
# The part of the windows stage that runs inside its Wine session (below).
inner=""
if [ "${1:-}" = --windows-tests ]; then
    inner=yes
    set -- windows
fi
if [ $# -eq 0 ]; then
    set -- $all_stages
fi

# Minutes and seconds since the time given (date +%s).
elapsed() {
    t=$(($(date +%s) - $1))
    printf '%dm%02ds\n' $((t / 60)) $((t % 60))
}
# LABEL COMMAND...: runs COMMAND and says how long it took.
timed() {
    label=$1
    shift
    step_started=$(date +%s)
    "$@"
    echo "-- $label took $(elapsed "$step_started")"
}

# The package groups of scripts/packages/ that each stage needs.
groups="run"
for stage in "$@"; do
    case " $all_stages " in
        *" $stage "*) ;;
        *)
            echo "test: no stage '$stage'; the stages are: $all_stages" >&2
            exit 2
            ;;
    esac
    case "$stage" in
        format) groups="$groups format" ;;
        unit | sanitize) groups="$groups unit" ;;
        windows) groups="$groups windows" ;;
        e2e) groups="$groups unit e2e" ;;
        package) groups="$groups unit windows deb msi package" ;;
    esac
done
# shellcheck disable=SC2086
[ -n "$inner" ] || sh scripts/setup.sh $(printf '%s\n' $groups | awk '!seen[$0]++')

stage_format() {
    # Every C++ source under src/ and tests/ that git tracks or would track.
    list_sources() {
        if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
            git ls-files --cached --others --exclude-standard -- \
                'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h'
        else
            find src tests -type f \( -name '*.cpp' -o -name '*.h' \)
        fi
    }
    # Skip tracked files that have been deleted from the working tree.
    if ! list_sources | while IFS= read -r file; do
        if [ -f "$file" ]; then printf '%s\0' "$file"; fi
    done | xargs -0 -r clang-format --dry-run --Werror; then
        echo "test: formatting differs from .clang-format in the files above;" >&2
        echo "test: fix with: clang-format -i FILE..." >&2
        return 1
    fi
}

# Configures and builds a preset with its tests (scripts/start.sh may have
# configured the default one without them).
build_preset() {
    step_started=$(date +%s)
    cmake --preset "$1" -DTOCKMERE_TESTS=ON
    cmake --build --preset "$1"
    echo "-- build of $1 took $(elapsed "$step_started")"
}

# ctest runs one test per process; each test program is also run whole, in
# an order shuffled anew each time (the seed is printed), so that no test
# leans on another having run before it or leaves state behind for the next.
run_whole() {
    build_dir=$1
    shift
    for program in reminder_tests windows/window_tests; do
        exe=$build_dir/tests/$program
        [ -f "$exe.exe" ] && exe=$exe.exe
        echo "-- $exe whole, shuffled"
        "$@" "$exe" --gtest_shuffle --gtest_brief=1
    done
}

# The window tests run on Qt's offscreen platform: no X server needed.
stage_unit() {
    build_preset default
    timed ctest env QT_QPA_PLATFORM=offscreen ctest --preset default
    timed "whole, shuffled" run_whole build env QT_QPA_PLATFORM=offscreen
}

# Each program whole: that every test passes alone, the unit stage shows,
# and there the model plays its 2000 orders twice; here 500 of them.
stage_sanitize() {
    build_preset sanitize
    timed "whole, shuffled" run_whole build-sanitize env QT_QPA_PLATFORM=offscreen TOCKMERE_SEQUENCES=500 \
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
}

stage_windows() {
    # ctest runs each .exe through scripts/wine-run.sh, which has its own Wine
    # prefix and, without $DISPLAY, its own Xvfb; one session of it keeps
    # Wine running from one test's process to the next.
    build_preset windows
    sh scripts/wine-run.sh --session sh scripts/test.sh --windows-tests
    # The program on a desktop with a notification area: its tray icon
    # clicked, a second start, and the keyboard path as a screen reader
    # hears it through MSAA (one Wine session for them all).
    timed "the desktop under Wine" sh tests/e2e/windows.sh
}

# Within one Wine session: ctest, one test per process, then each program
# whole (two processes of that session's Wine, no start of Wine of their own).
windows_tests() {
    # Wine ends its desktop process a second after the last program on the
    # desktop, and starting it again costs each test's process about 1.5 s:
    # a program that holds the desktop runs until the session ends.
    TOCKMERE_WINE_TIMEOUT=7200 sh scripts/wine-run.sh build-windows/tests/support/hold_desktop.exe \
        </dev/null >/dev/null 2>&1 &
    timed "ctest" ctest --preset windows
    # The model plays the same seeded batch in every run here; ctest played it
    # whole, so the whole run replays only its start.
    timed "whole, shuffled" run_whole build-windows env TOCKMERE_SEQUENCES=10 sh scripts/wine-run.sh
}

stage_e2e() {
    # These drive the real program on an X display of their own.
    build_preset default
    timed e2e tests/e2e/run.sh
}

stage_package() {
    sh tests/package/run.sh
}

if [ -n "$inner" ]; then
    windows_tests
    exit
fi

for stage in "$@"; do
    echo "== Stage $stage"
    started=$(date +%s)
    "stage_$stage"
    echo "== Stage $stage took $(elapsed "$started")"
done

echo "test: passed: $*"
