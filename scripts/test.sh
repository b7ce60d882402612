#!/bin/sh
# Runs every check of Tockmere: formatting, the program and tests built and run
# normally and under AddressSanitizer/UndefinedBehaviorSanitizer, the Windows
# build cross-compiled with MinGW-w64 with its tests run under Wine, and, where
# present, the end-to-end tests of the built program on a virtual X desktop.
# Exits non-zero on the first failure.
set -eu

cd "$(dirname "$0")/.."

sh scripts/setup.sh

echo "== Formatting (clang-format)"
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
    exit 1
fi

# The window tests run on Qt's offscreen platform: no X server needed.
QT_QPA_PLATFORM=offscreen
export QT_QPA_PLATFORM

for preset in default sanitize; do
    echo "== Build and unit tests: preset $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

echo "== Windows build (MinGW-w64) and its tests under Wine: preset windows"
# ctest runs each .exe through scripts/wine-run.sh, which has its own Wine
# prefix and, without $DISPLAY, its own Xvfb.
cmake --preset windows
cmake --build --preset windows
ctest --preset windows
# The Windows program's tray icon, clicked on a real notification area. A
# desktop under Wine can be slow to take the first input: one more try.
sh tests/e2e/windows_tray.sh || sh tests/e2e/windows_tray.sh

if [ -f tests/e2e/run.sh ] && [ -x tests/e2e/run.sh ]; then
    echo "== End-to-end tests"
    # These drive the real program on an X display of their own.
    unset QT_QPA_PLATFORM
    tests/e2e/run.sh
fi

echo "test: all checks passed."
