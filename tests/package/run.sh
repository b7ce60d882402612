#!/bin/sh
# The package checks (tests/package/run.py), with Debian's own Python.
exec /usr/bin/python3 "$(dirname "$0")/run.py" "$@"
