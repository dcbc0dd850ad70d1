#!/usr/bin/env bash
# Installs what is missing, builds and starts the decoder on the bundled sample capture.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/app/orvelt-dump samples/pass.kss
