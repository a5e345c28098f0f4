#!/usr/bin/env bash
# The console dialogue of the real binary, answers fed on standard input: the
# GBK texts, how the answers are read, and every stop before the search.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

PROMPTS=("$BANNER" "$P_FILE" "$P_RN" "$P_PPD" "$P_METHOD" "$P_ITER")

# --- The banner and the five prompts are GBK bytes, one per line.
new_rundir gbk
write_small_parts "$RUNDIR/parts.txt"
run_nest 'parts.txt\n4\n10\n0\n1\n' frozen
expect_status 0 "one answer per line"
head -n 6 "$RUNDIR/out.gbk" >"$RUNDIR/head.gbk"
printf '%s\n' "${PROMPTS[@]}" | iconv -f UTF-8 -t GBK >"$RUNDIR/expected-head.gbk"
cmp "$RUNDIR/head.gbk" "$RUNDIR/expected-head.gbk" ||
  fail "the banner and prompts are not the expected GBK bytes"
[[ $(head -n 6 "$RUNDIR/out.txt") == "$(printf '%s\n' "${PROMPTS[@]}")" ]] ||
  fail "the banner and prompts do not read as expected after iconv"
# GBK, not UTF-8: the raw bytes are no valid UTF-8 text.
if iconv -f UTF-8 -t UTF-16 "$RUNDIR/head.gbk" >/dev/null 2>&1; then
  fail "the prompts were written as UTF-8, not GBK"
fi
mv "$RUNDIR" "$SCRATCH/per-line"

# --- All five answers on one line give the same run, prompts and all.
new_rundir one-line
write_small_parts "$RUNDIR/parts.txt"
run_nest 'parts.txt 4 10 0 1\n' frozen
expect_status 0 "all answers on one line"
cmp "$RUNDIR/out.gbk" "$SCRATCH/per-line/out.gbk" ||
  fail "answers on one line give another console text than one answer per line"
for f in Log.txt OptIDSequenceForPack.txt Layout.dxf; do
  cmp "$RUNDIR/$f" "$SCRATCH/per-line/$f" || fail "answers on one line give another $f"
done

# --- A file name of 150 characters is taken whole.
new_rundir long-name
LONG_NAME=$(printf 'p%.0s' $(seq 1 146)).txt
cp "$SCRATCH/one-line/parts.txt" "$RUNDIR/$LONG_NAME"
run_nest "$LONG_NAME 4 10 0 1\n" frozen
expect_status 0 "a file name of 150 characters"
cmp "$RUNDIR/Layout.dxf" "$SCRATCH/one-line/Layout.dxf" ||
  fail "a file name of 150 characters gives another drawing"

# --- A missing part file: the warning comes after all five answers.
new_rundir missing-file
run_nest 'no-such-file.txt\n4\n10\n0\n1\n'
expect_status 1 "missing part file"
expect_console "missing part file" "${PROMPTS[@]}" "Warning!" "$W_PARTFILE"
expect_no_output_files "missing part file"
# The file is opened only once every answer is in: an unreadable RN is
# reported first, and no warning about the file is shown.
new_rundir missing-file-bad-rn
run_nest 'no-such-file.txt\nfour\n'
expect_status 1 "missing part file with a letter for RN"
expect_console "missing part file with a letter for RN" "$BANNER" "$P_FILE" "$P_RN" "$E_RN"

# --- A wrong method number: the file is read first, then the message.
for method in 2 -1; do
  new_rundir "method$method"
  write_small_parts "$RUNDIR/parts.txt"
  run_nest "parts.txt\n4\n10\n$method\n5\n"
  expect_status 1 "method $method"
  expect_console "method $method" "${PROMPTS[@]}" "$E_METHOD"
  expect_no_output_files "method $method"
done
new_rundir method-missing-file
run_nest 'no-such-file.txt\n4\n10\n2\n5\n'
expect_status 1 "method 2 with a missing part file"
expect_console "method 2 with a missing part file" "${PROMPTS[@]}" "Warning!" "$W_PARTFILE"
# The wrong method ends the run without waiting for a key: with the input
# still open it must end all the same.
new_rundir method-no-wait
write_small_parts "$RUNDIR/parts.txt"
mkfifo "$RUNDIR/in.fifo"
exec 3<>"$RUNDIR/in.fifo"
printf 'parts.txt 4 10 2 5\n' >&3
STATUS=0
(cd "$RUNDIR" && timeout 10 "$NEST" <in.fifo >out.gbk) || STATUS=$?
exec 3>&-
[[ $STATUS -ne 124 ]] || fail "method 2 waits for input before it ends"
expect_status 1 "method 2 with the input left open"

# --- Answers that cannot be read: each gives its message and status 1, and
# the prompts after it are not printed.
check_unreadable() {
  local name=$1 answers=$2 message=$3 prompts=$4
  new_rundir "unreadable-$name"
  write_small_parts "$RUNDIR/parts.txt"
  run_nest "$answers"
  expect_status 1 "unreadable answer ($name)"
  expect_console "unreadable answer ($name)" "${PROMPTS[@]:0:$prompts}" "$message"
  expect_no_output_files "unreadable answer ($name)"
}
check_unreadable no-input '' "$E_FILE" 2
check_unreadable blank-input '  \n\n' "$E_FILE" 2
check_unreadable rn-end 'parts.txt\n' "$E_RN" 3
check_unreadable rn-letter 'parts.txt\nx\n10\n0\n1\n' "$E_RN" 3
check_unreadable rn-too-large 'parts.txt\n99999999999\n10\n0\n1\n' "$E_RN" 3
check_unreadable ppd-letter 'parts.txt\n4\nabc\n0\n1\n' "$E_PPD" 4
check_unreadable ppd-end 'parts.txt 4' "$E_PPD" 4
check_unreadable method-letter 'parts.txt 4 10 hc 1\n' "$E_METHOD" 5
check_unreadable method-end 'parts.txt 4 10\n' "$E_METHOD" 5
check_unreadable iterations-letter 'parts.txt 4 10 0 many\n' "$E_ITER" 6
check_unreadable iterations-end 'parts.txt 4 10 0\n' "$E_ITER" 6

# --- Values with which nothing can be laid out: refused after the part file
# is read (300 by 200 sheet), before the method check, with nothing written.
check_refused() {
  local name=$1 rn=$2 ppd=$3 method=$4 message=$5
  new_rundir "refused-$name"
  write_small_parts "$RUNDIR/parts.txt"
  run_nest "parts.txt\n$rn\n$ppd\n$method\n3\n"
  expect_status 1 "refused $name (RN $rn, PPD $ppd, method $method)"
  expect_console "refused $name" "${PROMPTS[@]}" "$message"
  expect_no_output_files "refused $name"
}
check_refused rn0 0 10 0 "$E_RN"
check_refused rn-negative -4 10 1 "$E_RN"
check_refused rn-above-limit 100001 10 0 "$E_RN"
check_refused rn0-method2 0 10 2 "$E_RN"
check_refused ppd0 4 0 0 "$E_PPD"
check_refused ppd-negative 4 -10 1 "$E_PPD"
check_refused ppd-nan 4 nan 0 "$E_PPD"
check_refused ppd-inf 4 inf 0 "$E_PPD"
check_refused ppd-above-length 4 300.5 0 "$E_PPD"
check_refused ppd-above-width 4 201 0 "$E_PPD"
check_refused ppd-tiny-grid 4 1e-6 0 "$E_PPD"
check_refused ppd0-method2 4 0 2 "$E_PPD"
# The part file comes before the values: a missing file is reported even
# when RN is refused too.
new_rundir refused-missing-file
run_nest 'no-such-file.txt\n0\n10\n0\n3\n'
expect_status 1 "RN 0 with a missing part file"
expect_console "RN 0 with a missing part file" "${PROMPTS[@]}" "Warning!" "$W_PARTFILE"
# The largest values still accepted: PPD equal to the sheet width.
new_rundir ppd-equal-width
write_small_parts "$RUNDIR/parts.txt"
run_nest 'parts.txt 1 200 0 1\n' frozen
expect_status 0 "PPD equal to the sheet width"

# --- Sheet data: a negative length shows the sheet warning twice, and the run
# stops there (no layout can be made on it).
new_rundir negative-length
sed 's/^SheetLength: 300$/SheetLength: -300/' "$SCRATCH/one-line/parts.txt" >"$RUNDIR/parts.txt"
run_nest 'parts.txt\n4\n10\n0\n1\n'
expect_status 1 "negative sheet length"
expect_console "negative sheet length" "${PROMPTS[@]}" "Warning!" "$W_SHEET" "Warning!" "$W_SHEET"
expect_no_output_files "negative sheet length"
# A zero width stops the run in the reader.
new_rundir zero-width
sed 's/^SheetWidth: 200$/SheetWidth: 0/' "$SCRATCH/one-line/parts.txt" >"$RUNDIR/parts.txt"
run_nest 'parts.txt\n4\n10\n0\n1\n'
expect_status 1 "zero sheet width"
expect_console "zero sheet width" "${PROMPTS[@]}" "Warning!" "$W_ZERO"
expect_no_output_files "zero sheet width"
# A file that ends inside a block.
new_rundir truncated-file
head -n 12 "$SCRATCH/one-line/parts.txt" >"$RUNDIR/parts.txt"
run_nest 'parts.txt\n4\n10\n0\n1\n'
expect_status 1 "part file ending inside a loop"
expect_console "part file ending inside a loop" "${PROMPTS[@]}" "Warning!" "$W_PARTFILE"
expect_no_output_files "part file ending inside a loop"

echo "dialogue: all checks passed"
