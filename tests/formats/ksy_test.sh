#!/usr/bin/env bash
# The Kaitai Struct description of the downlink decodes every frame as the decoder does: the
# compiler and runtime the network's decoders are built with, installed from npm at the versions
# of package-lock.json into the build folder, compile formats/orvelt1.ksy to JavaScript, and
# ksy_check.js compares each frame of the samples and of a capture of every frame kind with
# orvelt-dump --frames --json.
# usage: ksy_test.sh SOURCE_DIR ORVELT-DUMP ORVELT-MAKE-CAPTURE WORK_DIR
set -euo pipefail
src=${1:?usage} dump=${2:?usage} make_capture=${3:?usage} work=${4:?usage} here=${0%/*}

# Outside CI a machine without Node.js or the npm registry skips; in CI that is a failure.
skip() {
  [ "${CI:-}" = true ] && { echo "FAIL: $1" >&2; exit 1; }
  echo "SKIP: $1" >&2
  exit 77
}
command -v node >/dev/null || skip "node is not installed (scripts/install-deps.sh installs nodejs)"
command -v npm >/dev/null || skip "npm is not installed (scripts/install-deps.sh installs it)"

mkdir -p "$work"
tools=$work/npm
# npm ci installs exactly what the lock file names, checked against its hashes; it runs again
# only when the lock file changes.
if ! cmp -s "$here/package-lock.json" "$tools/package-lock.json" ||
  [ ! -d "$tools/node_modules/kaitai-struct-compiler" ]; then
  rm -rf "$tools"
  mkdir -p "$tools"
  cp "$here/package.json" "$here/package-lock.json" "$tools/"
  (cd "$tools" && npm ci --no-audit --no-fund --ignore-scripts --loglevel=error) ||
    skip "npm could not install the Kaitai Struct compiler and runtime"
fi

"$make_capture" --every-kind "$work/every-kind.kss" >/dev/null
NODE_PATH=$tools/node_modules node "$here/ksy_check.js" "$src/formats/orvelt1.ksy" "$dump" \
  "$work" "$work/every-kind.kss" "$src"/samples/*.kss
