#!/usr/bin/env bash
# Starts the installed decoder on a virtual X server as a new user would: an empty home, no
# start-up files of their own, the program in a read-only place of an installed tree. It finds
# the installation's start-up files, and "S" saves the picture into the user's Pictures folder;
# nothing is written beside the program or into the current folder.
# Skipped (77) where no virtual X server or xdotool exists.
set -u

readonly kTitle='ORVELT-1 Telemetry Decoder (KAVRO)'

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed" >&2; exit 77; }
done

root=$(realpath "${1:?usage: $0 <root> <capture.kss>}")
capture=$(realpath "${2:?usage: $0 <root> <capture.kss>}")
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

# Start the program on the capture, click "S" and wait for a picture to appear in Pictures.
before=$(find "$root/usr/bin" | sort)
"$program" "$capture" >"$work/installed.out" 2>"$work/installed.err" &
pid=$!
shown() { kill -0 "$pid" 2>/dev/null && [[ -n "$(window_id)" ]]; }
wait_for 600 shown || fail "no window titled '$kTitle'"

# "S" sits at the bottom-left corner of the window: 8 pixels in, 31 up, 33 by 17 pixels. A click
# that comes before the window takes input is lost, so click again until it counts.
id=$(window_id)
eval "$(xdotool getwindowgeometry --shell "$id")"
picture() { compgen -G "$HOME/Pictures/pass.*" >/dev/null; }
for ((clicks = 1; clicks <= 5; clicks++)); do
  xdotool mousemove --window "$id" 24 $((HEIGHT - 23)) click 1
  wait_for 20 picture && break
done
picture || fail "no picture of the window in $HOME/Pictures after clicking S"

# Closing the program must end it with status 0.
kill -TERM "$pid"
wait "$pid" || fail "the decoder ended with status $? after the close request"
pid=""
[[ "$(find "$root/usr/bin" | sort)" == "$before" ]] || fail "files were written beside the program"
[[ -z "$(ls -A "$work/cwd")" ]] || fail "files were written into the current folder: $(ls -A "$work/cwd")"

echo "installed program test passed: a picture in Pictures"
