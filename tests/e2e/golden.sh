#!/usr/bin/env bash
# One golden case: the run under the frozen clock must give, byte for byte,
# the console output, exit status and files recorded by tools/regen_golden.sh.
source "$(dirname "$0")/lib.sh"
CASE=$(realpath "$4")
e2e_init "$1" "$2" "$3"
NAME=$(basename "$CASE")
run_golden_case "$NEST" "$CASE" "$SCRATCH/run"
for f in console.gbk stderr.txt status "${GOLDEN_OUTPUTS[@]}"; do
  want=$CASE/expected/$f
  got=$SCRATCH/run/$f
  if [[ -e $want ]]; then
    [[ -f $got ]] || fail "$NAME: the run wrote no $f"
    if ! cmp -s "$want" "$got"; then
      diff <(iconv -f GBK -t UTF-8 "$want") <(iconv -f GBK -t UTF-8 "$got") | head -n 40 >&2 || true
      fail "$NAME: $f differs from the recorded one"
    fi
  else
    [[ ! -e $got ]] || fail "$NAME: the run wrote $f, which the recorded run did not"
  fi
done
echo "golden $NAME: identical"
