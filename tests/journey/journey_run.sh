#!/usr/bin/env bash
# Runs the journey suite on a virtual X server of its own (real X, not the offscreen platform).
# Its events come through QApplication, so no window manager is needed to route them: a window
# the user opens is given the focus by the suite as a desktop would give it. Skipped (77) where
# no virtual X server exists.
# Usage: journey_run.sh <qt_journey>
set -u
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed" >&2; exit 77; }
binary=$(realpath "$1")
# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
start_virtual_x
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" HOME="$work"
"$binary" -maxwarnings 0
