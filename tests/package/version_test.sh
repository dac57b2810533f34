#!/usr/bin/env bash
# Both programs print the same version line, the one from the build's project() version.
#   version_test.sh VERSION PROGRAM...
set -euo pipefail
expected="sundrel $1"
shift
status=0
for program in "$@"; do
    got=$(QT_QPA_PLATFORM=offscreen "$program" --version)
    if [ "$got" != "$expected" ]; then
        echo "$program --version printed '$got', expected '$expected'"
        status=1
    fi
done
exit $status
