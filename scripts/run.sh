#!/usr/bin/env bash
# Installs what is missing, builds and starts the decoder on the bundled sample capture.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: printing the decoded sample with orvelt-dump instead of the window." >&2
  exec build/app/orvelt-dump samples/pass.kss
fi
exec build/app/orvelt-decoder samples/pass.kss
