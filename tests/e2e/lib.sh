# Helpers for the shell tests of the real binary. Sourced by each script,
# which is called as: script NEST_BINARY SOURCE_DIR SCRATCH_DIR [more...]
#
# Every test works in its own scratch directory, emptied at the start and left
# behind afterwards for a look when something failed.

set -euo pipefail

# The texts of the dialogue, as a UTF-8 terminal shows them (BANNER, the
# prompts P_*, the messages E_*, the warnings W_*, the notes NOTE_* and
# PAUSE), and NEST_FROZEN_TIME, the frozen clock of every run whose output is
# compared: the Python harness holds them, taken from the list that writes
# the program's texts.
NEST_TEXTS=$(python3 "$(dirname "${BASH_SOURCE[0]}")/nest_e2e.py")
eval "$NEST_TEXTS"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A tool the test cannot do without. The project's set-up script installs
# every one of them, so a missing one is a broken machine, not a reason to
# skip.
need_tool() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 ||
      fail "the tool '$tool' is not installed (tools/setup-and-test.sh installs it)"
  done
}

e2e_init() {
  [[ $# -ge 3 ]] || fail "usage: $0 NEST_BINARY SOURCE_DIR SCRATCH_DIR"
  NEST=$(realpath "$1")
  SRC=$(realpath "$2")
  SCRATCH=$3
  [[ -x $NEST ]] || fail "no program at $NEST"
  need_tool iconv timeout
  rm -rf "$SCRATCH"
  mkdir -p "$SCRATCH"
  SCRATCH=$(realpath "$SCRATCH")
  cd "$SCRATCH"
}

# A fresh working directory for one run inside the scratch directory.
new_rundir() {
  RUNDIR=$SCRATCH/$1
  rm -rf "$RUNDIR"
  mkdir -p "$RUNDIR"
}

# run_nest ANSWERS [frozen]: runs the program in $RUNDIR with ANSWERS (a
# printf format) on standard input; sets STATUS and leaves the console output
# in $RUNDIR/out.gbk (raw bytes), out.txt (UTF-8) and err.txt.
run_nest() {
  local answers=$1 mode=${2:-}
  STATUS=0
  if [[ $mode == frozen ]]; then
    need_tool faketime
    (cd "$RUNDIR" && printf "$answers" |
      TZ=UTC timeout 120 faketime -f "$NEST_FROZEN_TIME" "$NEST" >out.gbk 2>err.txt) || STATUS=$?
  else
    (cd "$RUNDIR" && printf "$answers" | timeout 120 "$NEST" >out.gbk 2>err.txt) || STATUS=$?
  fi
  [[ $STATUS -ne 124 ]] || fail "the run with answers '$answers' did not end within 120 s"
  iconv -f GBK -t UTF-8 "$RUNDIR/out.gbk" >"$RUNDIR/out.txt" ||
    fail "the console output of the run with answers '$answers' is not GBK text"
}

expect_status() {
  [[ $STATUS -eq $1 ]] || {
    cat "$RUNDIR/out.txt" >&2
    fail "${2:-run}: exit status $STATUS, expected $1"
  }
}

# The console text (UTF-8) of the last run must equal the given lines.
expect_console() {
  local what=$1
  shift
  local expected
  expected=$(printf '%s\n' "$@")
  if [[ $(cat "$RUNDIR/out.txt") != "$expected" ]]; then
    echo "--- expected" >&2
    printf '%s\n' "$@" >&2
    echo "--- got" >&2
    cat "$RUNDIR/out.txt" >&2
    fail "$what: console text differs"
  fi
}

expect_no_output_files() {
  local f
  for f in Log.txt OptIDSequenceForPack.txt Layout.dxf; do
    [[ ! -e $RUNDIR/$f ]] || fail "$1: $f was written"
  done
}

# A small part data file: a 300 by 200 sheet, two rectangles of one type and
# a triangle.
write_small_parts() {
  cat >"$1" <<'EOF'
SheetLength: 300
SheetWidth: 200
PartDistance: 0
Part
Name
block
PartNumOfSameType
2
OutLoop
0,0
100,0
100,50
0,50
EndOutLoop
EndPart
Part
Name
wedge
PartNumOfSameType
1
OutLoop
0,0
80,0
0,60
EndOutLoop
EndPart
EOF
}

# Golden cases: tests/golden/<case>/ holds parts.txt, answers.txt and, under
# expected/, what a run under the frozen clock gave: the console bytes
# (console.gbk), standard error (stderr.txt), the exit status (status) and the
# three output files. A file missing there must not be written by the run.
GOLDEN_OUTPUTS=(Log.txt OptIDSequenceForPack.txt Layout.dxf)

# run_golden_case NEST CASEDIR RUNDIR: runs the case in an empty RUNDIR and
# leaves console.gbk and status beside the output files.
run_golden_case() {
  local nest=$1 casedir=$2 rundir=$3 status=0
  need_tool faketime
  rm -rf "$rundir"
  mkdir -p "$rundir"
  cp "$casedir/parts.txt" "$rundir/parts.txt"
  (cd "$rundir" && TZ=UTC timeout 300 faketime -f "$NEST_FROZEN_TIME" "$nest" \
    <"$casedir/answers.txt" >console.gbk 2>stderr.txt) || status=$?
  [[ $status -ne 124 ]] || fail "$(basename "$casedir"): the run did not end within 300 s"
  echo "$status" >"$rundir/status"
}

# compare_golden_case CASEDIR RUNDIR [crlf]: the outputs of the run in RUNDIR
# must equal the recorded ones byte for byte, and a file the recorded run did
# not write must be missing. With crlf every recorded text (all but the
# status) is taken with CR LF line ends, as a Windows build writes its console
# and files in text mode.
compare_golden_case() {
  local casedir=$1 rundir=$2 crlf=${3:-} name f want got
  name=$(basename "$casedir")
  for f in console.gbk stderr.txt status "${GOLDEN_OUTPUTS[@]}"; do
    want=$casedir/expected/$f
    got=$rundir/$f
    if [[ -e $want ]]; then
      [[ -f $got ]] || fail "$name: the run wrote no $f"
      if [[ $crlf == crlf && $f != status ]]; then
        perl -pe 's/\n/\r\n/' "$want" >"$rundir/$f.expected"
        want=$rundir/$f.expected
      fi
      if ! cmp -s "$want" "$got"; then
        diff <(iconv -f GBK -t UTF-8 "$want") <(iconv -f GBK -t UTF-8 "$got") | head -n 40 >&2 || true
        fail "$name: $f differs from the recorded one"
      fi
    else
      [[ ! -e $got ]] || fail "$name: the run wrote $f, which the recorded run did not"
    fi
  done
}
