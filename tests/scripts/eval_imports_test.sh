#!/usr/bin/env bash
# The evaluation scripts run on a machine where numpy and soundfile are not installed yet:
# nothing but the standard library is imported before main() has had scripts/setup-eval
# install them, and a module still missing then is named with the command that installs it.
# Python is given stand-ins that refuse to import, as on a fresh machine.
#   eval_imports_test.sh REPO
set -euo pipefail
repo=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for module in numpy soundfile; do
    printf 'raise ImportError("not installed", name="%s")\n' "$module" >"$tmp/$module.py"
done
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
for script in make-eval-mixes eval-suggest make-match-mixes eval-match; do
    PYTHONPATH=$tmp "$repo/scripts/$script" --help >"$tmp/out" 2>&1 ||
        fail "$script --help needs numpy or soundfile: $(cat "$tmp/out")"
done
# make-eval-mixes without its setup step, and eval-suggest (which builds nothing): both stop
# with the module's name and the way to install it, not a traceback.
PYTHONPATH=$tmp "$repo/scripts/make-eval-mixes" --no-setup --out "$tmp/eval" >"$tmp/out" 2>&1 &&
    fail "make-eval-mixes ran without numpy"
grep -q 'numpy is missing: run scripts/setup-eval' "$tmp/out" ||
    fail "make-eval-mixes did not name the missing module: $(cat "$tmp/out")"
PYTHONPATH=$tmp "$repo/scripts/eval-suggest" --dir "$tmp/eval" >"$tmp/out" 2>&1 &&
    fail "eval-suggest ran without numpy"
grep -q 'numpy is missing' "$tmp/out" || fail "eval-suggest: $(cat "$tmp/out")"
grep -q Traceback "$tmp/out" && fail "eval-suggest printed a traceback"
# Every package the evaluation's Python modules come from is installed by scripts/setup-eval,
# which make-eval-mixes runs before import_numeric().
for package in python3-numpy python3-soundfile; do
    grep -q "$package" "$repo/scripts/setup-eval" || fail "scripts/setup-eval does not install $package"
done
[ "$failures" -eq 0 ] || exit 1
echo "evaluation scripts import numpy only after their setup"
