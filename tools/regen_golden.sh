#!/usr/bin/env bash
# Records the expected output of the golden cases (tests/golden/<case>/) by
# running the program under the frozen clock the golden tests use. Only this
# script writes them; review every change to them before committing it.
#
#   tools/regen_golden.sh BUILD_DIR [CASE...]
#
# BUILD_DIR is a configured build tree (its nest target is built first); with
# no CASE every case is recorded again.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tests/e2e/lib.sh"

[[ $# -ge 1 ]] || fail "usage: $0 BUILD_DIR [CASE...]"
BUILD=$(realpath "$1")
shift
cmake --build "$BUILD" --target nest -j2 >/dev/null
NEST=$BUILD/nest
[[ -x $NEST ]] || fail "no program at $NEST"

if [[ $# -eq 0 ]]; then
  set -- $(cd "$ROOT/tests/golden" && ls -d -- */ | tr -d /)
fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
for name in "$@"; do
  case_dir=$ROOT/tests/golden/$name
  [[ -f $case_dir/parts.txt && -f $case_dir/answers.txt ]] || fail "$name: no parts.txt or answers.txt"
  run_golden_case "$NEST" "$case_dir" "$WORK/$name"
  rm -rf "$case_dir/expected"
  mkdir -p "$case_dir/expected"
  for f in console.gbk stderr.txt status "${GOLDEN_OUTPUTS[@]}"; do
    if [[ -e $WORK/$name/$f ]]; then cp "$WORK/$name/$f" "$case_dir/expected/$f"; fi
  done
  echo "$name: exit status $(cat "$case_dir/expected/status"), recorded"
done
