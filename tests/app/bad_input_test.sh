#!/usr/bin/env bash
# Bad input never crashes, hangs or grows memory without bound. Each program runs under a
# virtual-memory limit far below what an unbounded reader would need and a time limit:
#   orvelt-dump: a 512 MB sparse file, a flood of short frames, endless zeros on a pipe, a FIFO;
#   the window:  a FIFO or device named as a capture (refused at once, no hang), the sparse file
#                (refused: no frame in it).
# Usage: bad_input_test.sh <orvelt-dump> <sample pass.kss> <golden pass.csv> [<orvelt-decoder>]
# ORVELT_NO_MEMORY_LIMIT=1 leaves the limits off (sanitizers reserve huge address ranges).
set -u

readonly kDumpLimitKb=65536     # 64 MB of address space, the dump's memory target
readonly kWindowLimitKb=409600  # 400 MB of address space; Qt alone maps about 240 MB

dump=$1 sample=$2 golden=$3 decoder=${4:-}
# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"  # a scratch $work, fail, wait_for
err=$work/run.err  # what the program under test said last, shown by fail

# Runs the remaining arguments with a memory limit of $1 KB and a time limit of $2 seconds (0:
# none, the caller ends it); standard input stays as the caller set it.
limited() {
  local kb=$1 seconds=$2 limit=()
  shift 2
  ((seconds > 0)) && limit=(timeout "$seconds")
  [[ -n ${ORVELT_NO_MEMORY_LIMIT:-} ]] || ulimit -v "$kb" || exit 1
  exec "${limit[@]}" "$@"
}

truncate -s 512M "$work/sparse.kss"
# "00 C0" fifteen million times: a frame of one byte after another.
yes $'\x05' | head -c 30000000 | tr '\n\005' '\300\000' >"$work/short.kss"
mkfifo "$work/fifo.kss"

# --- orvelt-dump ------------------------------------------------------------------------------
(limited $kDumpLimitKb 60 "$dump" "$work/sparse.kss") >"$work/out" 2>"$err"
(($? == 0)) || fail "dump of a 512 MB sparse file ended with $?"
grep -q 'incomplete last frame' "$err" || fail "the sparse file's unfinished frame is not reported"

(limited $kDumpLimitKb 60 "$dump" "$work/short.kss") >"$work/out" 2>"$err"
(($? == 0)) || fail "dump of 30 MB of short frames ended with $?"
grep -q '15000000 frames' "$err" || fail "not every short frame was read"

# Endless input: still running when stopped, not killed by the limit or a crash.
(limited $kDumpLimitKb 2 "$dump" -) </dev/zero >"$work/out" 2>"$err"
status=$?
((status == 124)) || fail "dump of /dev/zero ended with $status instead of running until stopped"

# A FIFO streams like any other file.
cat "$sample" >"$work/fifo.kss" &
(limited $kDumpLimitKb 30 "$dump" "$work/fifo.kss") >"$work/out" 2>"$err"
(($? == 0)) || fail "dump of a FIFO ended with $?"
cmp -s "$work/out" "$golden" || fail "dump of a FIFO differs from the dump of the file"
wait

# An unknown option is named back with its control characters escaped, never raw on a terminal.
"$dump" $'--\e]0;x\a' >"$work/out" 2>"$err"
(($? == 2)) || fail "an unknown option did not end with status 2"
grep -q $'\e' "$err" && fail "an unknown option's escape sequence reached the terminal"

# --- the window ------------------------------------------------------------------------------
if [[ -z $decoder ]]; then
  echo "dump checks passed; no window built"
  exit 0
fi
export QT_QPA_PLATFORM=offscreen
# Starts the window on the files given, waits for it to show what it loaded, closes it.
window_shows() {
  local shown=$work/shown.txt
  rm -f "$shown"
  (ORVELT_SMOKE_DUMP=$shown limited $kWindowLimitKb 0 "$decoder" "$@") >/dev/null 2>"$err" &
  pid=$!
  shown_or_ended() { [[ -s $shown ]] || ! kill -0 "$pid" 2>/dev/null; }
  wait_for 600 shown_or_ended  # at most a minute
  kill -TERM "$pid" 2>/dev/null
  wait "$pid"
  local status=$?
  pid=""
  [[ -s $shown ]] || fail "the window on $* never showed (status $status)"
  ((status == 0)) || fail "the window on $* ended with $status"
  label3=$(sed -n 's/^Label3=//p' "$shown")
}

window_shows "$work/fifo.kss"
[[ $label3 == *"not a capture file (a FIFO)"* ]] || fail "a FIFO is not refused: '$label3'"
window_shows /dev/zero
[[ $label3 == *"not a capture file (a device)"* ]] || fail "a device is not refused: '$label3'"
window_shows "$work/sparse.kss"
[[ $label3 == *"not a capture file: no frame of ORVELT-1 in 512 MB"* ]] ||
  fail "the sparse file is not refused: '$label3'"

echo "bad input checks passed"
