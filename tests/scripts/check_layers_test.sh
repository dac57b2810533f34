#!/usr/bin/env bash
# scripts/check-layers on small trees: an include that points down passes; one that points up,
# Qt in the core, the command line using the window, or a core folder missing from the table
# each fail with the file named.
#   check_layers_test.sh REPO
set -euo pipefail
check=$1/scripts/check-layers
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
tree() { # tree NAME FILE TEXT: a tree holding one source besides a lower header
    mkdir -p "$tmp/$1/src/core/io" "$(dirname "$tmp/$1/$2")"
    echo '#pragma once' >"$tmp/$1/src/core/io/Low.h"
    printf '%s\n' "$3" >"$tmp/$1/$2"
}
tree down src/core/split/A.cpp '#include "core/io/Low.h"'
"$check" "$tmp/down" >"$tmp/out" || fail "a downward include was refused: $(cat "$tmp/out")"

tree up src/core/io/B.cpp '#include "core/split/Split.h"'
"$check" "$tmp/up" >"$tmp/out" && fail "an upward include passed"
grep -q 'src/core/io/B.cpp: core/io includes core/split/Split.h' "$tmp/out" || fail "up: $(cat "$tmp/out")"

tree qt src/core/view/C.cpp '#include <QWidget>'
"$check" "$tmp/qt" >"$tmp/out" && fail "Qt in the core passed"
grep -q 'C.cpp: the core includes Qt' "$tmp/out" || fail "qt: $(cat "$tmp/out")"

tree cli src/cli/D.cpp '#include "gui/app/SundrelDlg.h"'
"$check" "$tmp/cli" >"$tmp/out" && fail "the command line including the window passed"
grep -q 'cli may not include gui/app/SundrelDlg.h' "$tmp/out" || fail "cli: $(cat "$tmp/out")"

tree new src/core/newlayer/E.cpp '#include "core/io/Low.h"'
"$check" "$tmp/new" >"$tmp/out" && fail "a folder missing from the table passed"
grep -q 'core/newlayer is not in the layer table' "$tmp/out" || fail "new: $(cat "$tmp/out")"

[ "$failures" -eq 0 ] || exit 1
echo "check-layers refuses every upward include"
