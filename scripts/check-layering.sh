#!/bin/sh
# Fails when a file outside src/platform/qt/ includes a Qt header, or a file
# outside src/platform/win32/ includes a Windows header, or a backend's own
# headers (platform/qt/, platform/win32/), or when the program's files
# (src/) include the tests' support. The one exception is the tests' side of
# each backend, tests/support/qt/ and tests/support/win32/, which act on the
# backend's windows from inside it. The end-to-end tests' own Windows
# programs (tests/e2e/), which read the program from outside it as a screen
# reader does, are not the program's files.
root=${1:-.}
cd "$root" || exit 2
status=0
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*'
qt=$(grep -rnE "$include"'[<"](Q[A-Za-z]*|qt[A-Za-z]*/)' src tests 2>/dev/null |
    grep -v -e '^src/platform/qt/' -e '^tests/support/qt/')
if [ -n "$qt" ]; then
  echo "Qt headers outside src/platform/qt/:" >&2
  echo "$qt" >&2
  status=1
fi
win=$(grep -rniE "$include"'[<"](windows|winuser|shellapi|winreg|commctrl)\.h' src tests 2>/dev/null |
    grep -v -e '^src/platform/win32/' -e '^tests/support/win32/' -e '^tests/e2e/')
if [ -n "$win" ]; then
  echo "Windows headers outside src/platform/win32/:" >&2
  echo "$win" >&2
  status=1
fi
inner=$(grep -rnE "$include"'"platform/(qt|win32)/' src tests bench 2>/dev/null |
    grep -v -e '^src/platform/qt/[^:]*:[0-9]*:[^"]*"platform/qt/' \
        -e '^src/platform/win32/[^:]*:[0-9]*:[^"]*"platform/win32/' \
        -e '^tests/support/qt/[^:]*:[0-9]*:[^"]*"platform/qt/' \
        -e '^tests/support/win32/[^:]*:[0-9]*:[^"]*"platform/win32/')
if [ -n "$inner" ]; then
  echo "A backend's own headers outside it and its tests' support:" >&2
  echo "$inner" >&2
  status=1
fi
support=$(grep -rnE "$include"'"(support/|[^"]*testing\.h")' src 2>/dev/null)
if [ -n "$support" ]; then
  echo "The tests' support included by the program:" >&2
  echo "$support" >&2
  status=1
fi
exit $status
