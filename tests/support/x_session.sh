# Shared by the scripts that start the real program on a virtual X server: a scratch folder,
# cleanup of the program and the server, failure reporting, waiting, and an X server of their
# own. Source it after `set -u`; it sets `work`, and reads `pid` and `xvfb` when cleaning up.

work=$(mktemp -d)
pid=""
xvfb=""
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null; fi
  if [[ -n "$xvfb" ]]; then
    kill -TERM "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.err; do [[ -s "$f" ]] && { echo "--- $f" >&2; cat "$f" >&2; }; done
  exit 1
}

# Waits up to $1 tenths of a second for the command in the remaining arguments to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((k = 0; k < tenths; k++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# A virtual X server of our own. It takes a free display itself and says which, so that other
# tests starting servers at the same time cannot take the same one. At 96 dpi the window has its
# design size, so the places of its controls are known.
start_virtual_x() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" \
    2>"$work/xvfb.log" &
  xvfb=$!
  wait_for 100 test -s "$work/display" || fail "the virtual X server did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$work/display")"
}
