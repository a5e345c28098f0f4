#!/usr/bin/env bash
# The dialogue in a real terminal: the answers are typed at the prompts, and a
# single key press (no Enter) acknowledges the closing pause and the warning.
#
#   terminal.sh NEST SOURCE_DIR SCRATCH_DIR          # the Linux program
#   terminal.sh NEST.EXE SOURCE_DIR SCRATCH_DIR wine # the Windows program
#
# The Linux program runs in a tmux pane behind luit, which turns its GBK text
# into UTF-8 for the screen. The Windows program runs in the pane through
# wine, whose console shows the program's characters in the terminal's own
# encoding (UTF-8 here) and hands over the typed ones: so the screen shows
# Chinese only when the program writes characters to the console, not GBK
# bytes; and the part file of the whole run has a Chinese name, typed in UTF-8
# as the user types it. The wine server and prefix are the caller's.
source "$(dirname "$0")/lib.sh"
MODE=${4:-native}
e2e_init "$1" "$2" "$3"
if [[ $MODE == wine ]]; then
  need_tool tmux wine
  PART_FILE=零件.txt
  # Wine's first start in a prefix is slow.
  WAIT_STEPS=1200
else
  need_tool tmux luit
  PART_FILE=plates.txt
  WAIT_STEPS=300
fi

export LANG=C.UTF-8 LC_ALL=C.UTF-8
# The server's socket lives in a short temporary folder: a socket path is
# limited to about a hundred bytes, which a deep build tree can exceed.
SOCKDIR=$(mktemp -d)
SOCKET=$SOCKDIR/tmux.sock
tm() { tmux -u -S "$SOCKET" -f /dev/null "$@"; }
cleanup() {
  tm kill-server >/dev/null 2>&1 || true
  rm -rf "$SOCKDIR"
}
trap cleanup EXIT

# start_pane NAME: runs the program in RUNDIR in a new detached session; the
# exit status lands in RUNDIR/status.txt when the program ends.
start_pane() {
  if [[ $MODE == wine ]]; then
    # Without a display the warning is shown on the console, not in a box.
    cat >"$RUNDIR/run.sh" <<EOF
cd "$RUNDIR"
unset DISPLAY WAYLAND_DISPLAY
wine "$NEST"
echo "EXIT=\$?" >"$RUNDIR/status.txt"
EOF
    tm new-session -d -s "$1" -x 132 -y 50 "sh '$RUNDIR/run.sh'"
    return
  fi
  # The status is taken inside luit, which does not pass it on.
  cat >"$RUNDIR/run.sh" <<EOF
cd "$RUNDIR"
"$NEST"
echo "EXIT=\$?" >"$RUNDIR/status.txt"
EOF
  tm new-session -d -s "$1" -x 132 -y 50 "luit -encoding GBK -- sh '$RUNDIR/run.sh'"
}

screen() { tm capture-pane -p -t "$1" 2>/dev/null || true; }

# wait_screen NAME TEXT: waits until the pane shows TEXT on its last
# non-empty line.
wait_screen() {
  local name=$1 text=$2 i
  for i in $(seq 1 "$WAIT_STEPS"); do
    if [[ $(screen "$name" | sed '/^$/d' | tail -n 1) == *"$text"* ]]; then
      return 0
    fi
    sleep 0.1
  done
  screen "$name" >&2
  fail "$name: the screen never showed '$text' on its last line"
}

wait_status() {
  local i
  for i in $(seq 1 "$WAIT_STEPS"); do
    [[ -s $RUNDIR/status.txt ]] && return 0
    sleep 0.1
  done
  fail "$1: the program did not end after the key press"
}

# --- A whole run: five answers typed at their prompts, the pause, one key.
new_rundir run
cp "$SRC/examples/plates.txt" "$RUNDIR/$PART_FILE"
start_pane run
wait_screen run "$P_FILE"
tm send-keys -t run "$PART_FILE" Enter
wait_screen run "$P_RN"
tm send-keys -t run '4' Enter
wait_screen run "$P_PPD"
tm send-keys -t run '10' Enter
wait_screen run "$P_METHOD"
tm send-keys -t run '0' Enter
wait_screen run "$P_ITER"
tm send-keys -t run '2' Enter
wait_screen run "$PAUSE"
SCREEN=$(screen run)
for text in "$BANNER" "$P_FILE" "$P_RN" "$P_PPD" "$P_METHOD" "$P_ITER" \
  "第1次迭代:" "第2次迭代:" "***参数设置***" "$NOTE_LOG" "$NOTE_DXF"; do
  [[ $SCREEN == *"$text"* ]] || {
    echo "$SCREEN" >&2
    fail "the screen lacks '$text'"
  }
done
# It waits at the pause, and ends after one key, without Enter.
sleep 1
[[ ! -e $RUNDIR/status.txt ]] || fail "the program ended without waiting at the pause"
tm send-keys -t run x
wait_status "pause"
[[ $(cat "$RUNDIR/status.txt") == EXIT=0 ]] || fail "exit status after the pause: $(cat "$RUNDIR/status.txt")"
for f in Log.txt OptIDSequenceForPack.txt Layout.dxf; do
  [[ -s $RUNDIR/$f ]] || fail "the terminal run wrote no $f"
done
# The log holds the lines the screen showed.
iconv -f GBK -t UTF-8 "$RUNDIR/Log.txt" | grep -q '^  算法ZUNO+HC(爬山法)总共耗时' ||
  fail "the terminal run's log lacks the total time line"

# --- The warning on a terminal: shown, waits for one key, then status 1.
new_rundir warning
start_pane warning
wait_screen warning "$P_FILE"
tm send-keys -t warning 'no-such-file.txt 4 10 0 2' Enter
wait_screen warning "$W_PARTFILE"
SCREEN=$(screen warning | sed '/^$/d')
[[ $(tail -n 2 <<<"$SCREEN" | head -n 1) == "Warning!" ]] || {
  echo "$SCREEN" >&2
  fail "the warning's caption is not on the line above its text"
}
sleep 1
[[ ! -e $RUNDIR/status.txt ]] || fail "the warning did not wait for a key"
tm send-keys -t warning q
wait_status "warning"
[[ $(cat "$RUNDIR/status.txt") == EXIT=1 ]] || fail "exit status after the warning: $(cat "$RUNDIR/status.txt")"
expect_no_output_files "warning on a terminal"

echo "terminal ($MODE): all checks passed"
