#!/bin/sh
# Runs the checks of Tockmere, stage by stage:
#   format    the C++ sources against .clang-format
#   unit      the program and its tests built (preset default) and run by ctest
#   sanitize  the same tests under AddressSanitizer/UndefinedBehaviorSanitizer
#   windows   the Windows build cross-compiled with MinGW-w64, its tests run
#             under Wine, its tray icon clicked on a virtual desktop, and a
#             second start of the program there
#   e2e       the built program on a virtual X desktop, driven with xdotool
#   package   the Debian package installed, started and removed; the Windows
#             zip built and started under Wine; the Windows installer
#             installed, upgraded and removed under Wine; the packages built
#             twice and compared; the programs' hardening checked
#
# usage: sh scripts/test.sh [STAGE...]    (every stage when none is named)
# Installs the packages the named stages need first. Exits non-zero on the
# first failure.
set -eu

cd "$(dirname "$0")/.."

all_stages="format unit sanitize windows e2e package"
if [ $# -eq 0 ]; then
    set -- $all_stages
fi

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
sh scripts/setup.sh $(printf '%s\n' $groups | awk '!seen[$0]++')

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
    cmake --preset "$1" -DTOCKMERE_TESTS=ON
    cmake --build --preset "$1"
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
    QT_QPA_PLATFORM=offscreen ctest --preset default
    run_whole build env QT_QPA_PLATFORM=offscreen
}

stage_sanitize() {
    build_preset sanitize
    QT_QPA_PLATFORM=offscreen ctest --preset sanitize
    run_whole build-sanitize env QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
}

stage_windows() {
    # ctest runs each .exe through scripts/wine-run.sh, which has its own Wine
    # prefix and, without $DISPLAY, its own Xvfb; one session of it keeps
    # Wine running from one test's process to the next.
    build_preset windows
    sh scripts/wine-run.sh --session ctest --preset windows
    run_whole build-windows sh scripts/wine-run.sh
    # The Windows program's tray icon, clicked on a real notification area
    # (it retries a step that Wine was slow to take, and says so).
    sh tests/e2e/windows_tray.sh
    # A second start under Wine hands over to the first; a killed first
    # program leaves no lock behind.
    sh tests/e2e/windows_second_start.sh
    # From the keyboard alone, the focus is always on a named control, as a
    # screen reader hears it through MSAA from outside the program.
    sh tests/e2e/windows_focus.sh
}

stage_e2e() {
    # These drive the real program on an X display of their own.
    build_preset default
    tests/e2e/run.sh
}

stage_package() {
    sh tests/package/run.sh
}

for stage in "$@"; do
    echo "== Stage $stage"
    "stage_$stage"
done

echo "test: passed: $*"
