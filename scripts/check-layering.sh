#!/bin/sh
# Fails when a file outside src/platform/qt/ includes a Qt header, or a file
# outside src/platform/win32/ includes a Windows header. The end-to-end tests'
# own Windows programs (tests/e2e/), which read the program from outside it
# as a screen reader does, are not the program's files.
root=${1:-.}
cd "$root" || exit 2
status=0
qt=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]*|qt[A-Za-z]*/)' src tests 2>/dev/null | grep -v '^src/platform/qt/')
if [ -n "$qt" ]; then
  echo "Qt headers outside src/platform/qt/:" >&2
  echo "$qt" >&2
  status=1
fi
win=$(grep -rniE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](windows|winuser|shellapi|winreg|commctrl)\.h' src tests 2>/dev/null | grep -v -e '^src/platform/win32/' -e '^tests/e2e/')
if [ -n "$win" ]; then
  echo "Windows headers outside src/platform/win32/:" >&2
  echo "$win" >&2
  status=1
fi
exit $status
