#!/usr/bin/env bash
# Starts the real decoder on a virtual X server, as a user would from the command line, with a
# broken conf.ini next to the program: no window, the reason on stderr, status 1. (The program
# started on a capture is checked installed, and under memory limits by the bad input test.)
# Usage: smoke_test.sh <orvelt-decoder> <capture.kss>
set -u
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed" >&2; exit 77; }
binary=$(realpath "$1")
capture=$(realpath "$2")
# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
start_virtual_x
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 XDG_CONFIG_HOME="$work/config"

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
echo "smoke test passed: a broken conf.ini ends start-up"
