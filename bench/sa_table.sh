#!/bin/sh
# Simulated annealing for SECONDS (default 60) on each shared instance, with
# the instance's own RN and the PPD that gives about 1.5 million candidate
# points; prints the README's table. Takes SECONDS plus a few seconds per
# instance, on both cores.
#
#   bench/sa_table.sh BUILD_DIR [SECONDS]
set -eu
build=$(cd "$1" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
shared="$here/../../shared/benchmarks"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "| instance | RN | PPD | iterations | seconds | best efficiency | best known density |"
echo "|---|---|---|---|---|---|---|"
# name RN PPD best-known density (shared README; holes*: the constructed layout)
while read -r name rn ppd best; do
  [ -f "$shared/$name.txt" ] || continue
  result=$(cd "$work" && "$build/bench/nest_sa_run" "$shared/$name.txt" "$rn" "$ppd" "$seconds" 2>&1 >/dev/null </dev/null | tail -n 1)
  set -- $result
  printf '| %s | %s | %s | %s | %s | %.2f%% | %s |\n' "$name" "$rn" "$ppd" "$1" "$2" \
    "$(awk "BEGIN { print $3 * 100 }")" "$best"
done <<'TABLE'
albano 2 13 89.821%
blaz 2 0.033 86.224%
dagli 2 0.12 90.172%
fu 4 0.059 92.396%
jakobs1 4 0.057 89.247%
jakobs2 4 0.1 87.717%
mao 4 4.7 86.867%
marques 4 0.17 92.015%
shapes0 1 0.11 69.978%
shapes1 2 0.11 76.719%
swim 2 15 79.826%
trousers 2 0.3 92.615%
holes1 4 2.9 86.37%
holes2 4 2.2 52.59%
holes3 4 2.6 75.33%
TABLE
