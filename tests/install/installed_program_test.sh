#!/usr/bin/env bash
# Starts the installed decoder on a virtual X server as a new user would: an empty home, no
# start-up files of their own, the program in a read-only place of an installed tree.
#   1. It finds the installation's start-up files, and "S" saves the picture into the user's
#      Pictures folder; nothing is written beside the program or into the current folder.
#   2. The user's own conf.ini (written by an editor that puts a byte-order mark first) wins over
#      the installation's, and its relative IMAGE_PATH is taken from its own folder.
# Skipped (77) where no virtual X server or xdotool exists.
# Usage: installed_program_test.sh <root> <capture.kss>
set -u

readonly kTitle='ORVELT-1 Telemetry Decoder (KAVRO)'

if [[ $# -ne 2 ]]; then
  echo "usage: $0 <root> <capture.kss>" >&2
  exit 2
fi
for tool in Xvfb xwininfo xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed" >&2
    exit 77
  fi
done

root=$(realpath "$1")
capture=$(realpath "$2")
program="$root/usr/bin/orvelt-decoder"
# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
start_virtual_x

# A new user: nothing in the home folder, and no system data folder that could hold start-up
# files, so only the installation's own can be found.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_DATA_DIRS="$work/system-data" XDG_CACHE_HOME="$work/cache"
export XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
mkdir -p "$HOME" "$work/cwd" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$work/cwd"

window_id() { xdotool search --onlyvisible --name "^${kTitle//[()]/.}\$" 2>/dev/null | head -n 1; }

# Starts the program on the capture, clicks "S" and waits for a picture to appear in $1.
# Then closes the program, which must end with status 0.
save_picture_into() {
  local folder=$1 name=$2
  "$program" "$capture" >"$work/$name.out" 2>"$work/$name.err" &
  pid=$!
  alive() { kill -0 "$pid" 2>/dev/null; }
  shown() { alive && [[ -n "$(window_id)" ]]; }
  wait_for 600 shown || fail "$name: no window titled '$kTitle'"

  # "S" sits at the bottom-left corner of the window: 8 pixels in, 31 up, 33 by 17 pixels. A
  # click that comes before the window takes input is lost, so click again until it counts.
  local id clicks
  id=$(window_id)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  picture() { compgen -G "$folder/pass.*" >/dev/null; }
  for ((clicks = 1; clicks <= 5; clicks++)); do
    xdotool mousemove --window "$id" 24 $((HEIGHT - 23)) click 1
    wait_for 20 picture && break
  done
  picture || fail "$name: no picture of the window in $folder after clicking S"

  kill -TERM "$pid"
  wait "$pid"
  local status=$?
  pid=""
  ((status == 0)) || fail "$name: the decoder ended with status $status after the close request"
}

# --- 1. A new user ---------------------------------------------------------------------------
before=$(find "$root/usr/bin" | sort)
save_picture_into "$HOME/Pictures" installed
[[ "$(find "$root/usr/bin" | sort)" == "$before" ]] || fail "files were written beside the program"
[[ -z "$(ls -A "$work/cwd")" ]] || fail "files were written into the current folder: $(ls -A "$work/cwd")"

# --- 2. The user's own conf.ini --------------------------------------------------------------
mkdir -p "$XDG_CONFIG_HOME/orvelt/shots"
printf '\xEF\xBB\xBFSCREENSHOT=YES\r\nIMAGE_PATH=shots/\r\n' >"$XDG_CONFIG_HOME/orvelt/conf.ini"
save_picture_into "$XDG_CONFIG_HOME/orvelt/shots" own-settings

echo "installed program test passed: pictures in Pictures and in the user's IMAGE_PATH"
