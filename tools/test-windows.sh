#!/usr/bin/env bash
# Builds nest.exe (tools/build-windows.sh) and runs every golden case
# (tests/golden/) with it under wine and the frozen clock of the golden tests.
# Console output, standard error, exit status and the three files must equal
# the recorded ones, with CR LF line ends in every text (the Windows program
# writes its console and files in text mode). Then the dialogue in a real
# terminal (tests/e2e/terminal.sh in its wine mode): a UTF-8 tmux pane runs
# nest.exe through wine, whose console must show the Chinese texts, and a part
# file with a Chinese name is typed, read and laid out. Wine that does not
# start fails the test.
#
#   tools/test-windows.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tests/e2e/lib.sh"

SUDO=
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
bash "$ROOT/tools/build-windows.sh"
$SUDO apt-get install -y --no-install-recommends wine wine64 faketime libc-bin coreutils tmux
need_tool wine wineserver faketime iconv timeout perl tmux

BUILD=$ROOT/build-windows
[[ -f $BUILD/nest.exe ]] || fail "no program at $BUILD/nest.exe"
SCRATCH=$BUILD/wine-test
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"

# A wine prefix of the test's own; wine's own messages stay off the streams
# that are compared.
export WINEPREFIX=$BUILD/wine-prefix WINEDEBUG=-all
# The frozen clock is for the program only: file times stay true, or wine
# would take its prefix for out of date and set it up again under a clock
# that does not move.
export NO_FAKE_STAT=1

# Wine's server and its own services run on the real clock: they wait with
# timeouts that a frozen clock never ends (a program under faketime that has
# to start them hangs at its exit). So the server is started first and kept
# (persistent), and wineboot, on the real clock, sets up the prefix (the first
# start creates it) and starts the services, which the server keeps for the
# runs.
mkdir -p "$WINEPREFIX"
wineserver --kill >/dev/null 2>&1 || true
wineserver --wait || true
wineserver --persistent || fail "the wine server did not start"
trap 'wineserver --kill || true' EXIT
timeout 600 wine wineboot --init >"$SCRATCH/wineboot.log" 2>&1 ||
  { cat "$SCRATCH/wineboot.log" >&2; fail "wine did not start"; }

# The program as the golden runs call it. Wine reads the calendar time (the
# seed) and the performance counter (the elapsed times) from the Linux clocks
# of the program's own process, which faketime freezes: the outputs compare
# byte for byte, times included.
cat >"$SCRATCH/nest" <<SCRIPT
#!/bin/sh
exec wine "$BUILD/nest.exe"
SCRIPT
chmod +x "$SCRATCH/nest"

count=0
for case_dir in "$ROOT"/tests/golden/*/; do
  case_dir=${case_dir%/}
  name=$(basename "$case_dir")
  run_golden_case "$SCRATCH/nest" "$case_dir" "$SCRATCH/$name"
  compare_golden_case "$case_dir" "$SCRATCH/$name" crlf
  echo "golden $name under wine: identical"
  count=$((count + 1))
done
[[ $count -gt 0 ]] || fail "no golden case found"
echo "nest.exe under wine: $count golden cases identical"

# The dialogue on wine's console in a terminal, on the real clock.
bash "$ROOT/tests/e2e/terminal.sh" "$BUILD/nest.exe" "$ROOT" "$SCRATCH/terminal" wine
