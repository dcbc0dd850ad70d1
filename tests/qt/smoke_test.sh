#!/usr/bin/env bash
# Starts the real decoder on a virtual X server, as a user would from the command line:
#   1. with a capture file: the window with the exact caption appears, shows decoded values and
#      ends with status 0 when asked to close;
#   2. with a broken conf.ini next to the program: no window, the reason on stderr, status 1.
# Usage: smoke_test.sh <orvelt-decoder> <capture.kss>
set -u

readonly kTitle='ORVELT-1 Telemetry Decoder (KAVRO)'

if [[ $# -ne 2 ]]; then
  echo "usage: $0 <orvelt-decoder> <capture.kss>" >&2
  exit 2
fi

for tool in Xvfb xwininfo timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed" >&2
    exit 77
  fi
done

binary=$(realpath "$1")
capture=$(realpath "$2")
# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
start_virtual_x

# Real X, a fixed number format for the checks below.
export QT_QPA_PLATFORM=xcb
export LC_ALL=C.UTF-8
# Recent files and the last folder go to the scratch folder, not the user's settings.
export XDG_CONFIG_HOME="$work/config"

window_shown() {
  xwininfo -root -tree | grep -qF "\"$kTitle\": "
}

# --- 1. A capture on the command line --------------------------------------------------------
dump="$work/visible.txt"
ORVELT_SMOKE_DUMP="$dump" "$binary" "$capture" >"$work/run.out" 2>"$work/run.err" &
pid=$!

alive() { kill -0 "$pid" 2>/dev/null; }
ready() { alive && [[ -s "$dump" ]] && window_shown; }
wait_for 300 ready || fail "no window titled '$kTitle' with a dump (running: $(alive && echo yes || echo no))"

grep -qxF "title=$kTitle" "$dump" || fail "caption differs: $(head -n 1 "$dump")"
battery=$(sed -n 's/^Text1(3)=//p' "$dump")
[[ "$battery" =~ ^-?[0-9]+\.[0-9]{2}$ && "$battery" != "0.00" ]] ||
  fail "Battery 0 Volt box shows '$battery', not a decoded value"
# 32 visible value boxes (0 to 53), every one filled by the record display.
filled=$(grep -cE '^Text1\(([0-9]|[1-4][0-9]|5[0-3])\)=-?[0-9]' "$dump")
((filled == 32)) || fail "$filled of 32 value boxes show a value"
grep -qE '^Text1\(58\)=.+' "$dump" || fail "the first switch status box is empty"
grep -qF "Label3=$capture" "$dump" || fail "the status line does not name the capture"

kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
((status == 0)) || fail "the decoder ended with status $status after the close request"
wait_for 50 bash -c "! xwininfo -root -tree | grep -qF '\"$kTitle\": '" ||
  fail "the window is still there after the program ended"

# --- 2. A broken conf.ini ends start-up ------------------------------------------------------
broken="$work/broken"
mkdir "$broken"
cp "$binary" "$broken/orvelt-decoder"
printf 'SCREENSHOT=YES\nHEXFILE\n' >"$broken/conf.ini"
printf '0\n' >"$broken/obc_offset.ini"
"$broken/orvelt-decoder" "$capture" >"$work/broken.out" 2>"$work/broken.err" &
pid=$!

reported() { grep -q 'conf.ini, line 2' "$work/broken.err"; }
wait_for 300 reported || fail "no start-up error naming conf.ini, line 2 on stderr"
# The error dialog is up; closing it ends the program without ever showing the window.
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
((status == 1)) || fail "a broken conf.ini ended with status $status, not 1"

echo "smoke test passed: $battery V on Battery 0, $filled value boxes filled"
