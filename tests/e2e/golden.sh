#!/usr/bin/env bash
# One golden case: the run under the frozen clock must give, byte for byte,
# the console output, exit status and files recorded by tools/regen_golden.sh.
source "$(dirname "$0")/lib.sh"
CASE=$(realpath "$4")
e2e_init "$1" "$2" "$3"
run_golden_case "$NEST" "$CASE" "$SCRATCH/run"
compare_golden_case "$CASE" "$SCRATCH/run"
echo "golden $(basename "$CASE"): identical"
