#!/usr/bin/env bash
# Both programs print the same version line, the one from the build's project() version, and
# both answer --version and --help without a display (no X, no Wayland, no Qt platform).
#   version_test.sh VERSION PROGRAM...
set -uo pipefail
expected="sundrel $1"
shift
status=0
for program in "$@"; do
    got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version 2>&1)
    rc=$?
    if [ $rc -ne 0 ] || [ "$got" != "$expected" ]; then
        echo "$program --version exited $rc and printed '$got', expected '$expected'"
        status=1
    fi
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help 2>&1)
    rc=$?
    if [ $rc -ne 0 ] || ! grep -qi '^usage:' <<<"$help"; then
        echo "$program --help exited $rc and printed: $help"
        status=1
    fi
done
exit $status
