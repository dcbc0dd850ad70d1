#!/usr/bin/env bash
# Installs everything needed to build, run and test the decoder on Debian 12 (run as root,
# or with sudo available).
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev qt6-serialport-dev libqcustomplot-dev libgl-dev libsqlite3-dev
  qtkeychain-qt6-dev
  xvfb xauth x11-utils
  # every font family the window asks for that Debian offers: the layout is tested in each
  fonts-dejavu-core fonts-liberation2 fonts-urw-base35
  # the package: icon pictures, library dependencies, manual page checks
  librsvg2-bin dpkg-dev groff-base
  # the package's checks: hardening-check (devscripts) and lintian
  devscripts lintian
  # the checks of the installed desktop entry, metadata and MIME type, and of the running program
  desktop-file-utils appstream xdotool xdg-utils shared-mime-info libfile-mimeinfo-perl
  # the README's recipes for loading the archive's export, run against the real servers
  postgresql influxdb jq curl
  # the fetch's test server, built as the network database is
  python3-djangorestframework
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The check of the downlink's Kaitai Struct description runs the compiler and runtime from npm on
# Node.js. Debian's nodejs and npm, unless a Node.js that brings its own npm is already there
# (Debian's npm would remove it).
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends nodejs npm
fi

# Debian's Google Benchmark is built without NDEBUG, so it calls itself a debug build in every
# report and keeps its internal assertions on. The benchmarks link a release build of the same
# version, made here once from Debian's own source package; bench/CMakeLists.txt looks for it
# in this prefix first and warns when it has to use Debian's library instead.
benchmark_prefix=/opt/orvelt-benchmark
release_benchmark() {
  local scratch=$1 sudo=$2
  # Source lines for the archives this system already uses, read by these two calls only: the
  # system's own package sources stay as they are.
  chmod 755 "$scratch"  # apt downloads as its own user
  mkdir -p "$scratch/lists/partial" "$scratch/src" "$scratch/parts"
  grep -hE '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' \
    >"$scratch/sources.list" || true
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$scratch/parts/$(basename "$f")"
  done
  local apt_src=(-qq -o "Dir::Etc::SourceList=$scratch/sources.list"
                 -o "Dir::Etc::SourceParts=$scratch/parts" -o "Dir::State::Lists=$scratch/lists")
  $sudo apt-get "${apt_src[@]}" update &&
    (cd "$scratch/src" && $sudo apt-get "${apt_src[@]}" source benchmark >/dev/null 2>&1) ||
    return 1
  local source_dir
  source_dir=$(echo "$scratch"/src/benchmark-*/)
  source_dir=${source_dir%/}
  # Debian's packaging reads the version from here instead of from git tags.
  cmake -S "$source_dir" -B "$scratch/build" -G Ninja -DGIT_VERSION="${source_dir##*/benchmark-}" \
      -DCMAKE_BUILD_TYPE=Release -DBENCHMARK_ENABLE_TESTING=OFF \
      -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
      -DBENCHMARK_INSTALL_DOCS=OFF -DBUILD_SHARED_LIBS=OFF \
      -DCMAKE_INSTALL_PREFIX="$benchmark_prefix" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null &&
    cmake --build "$scratch/build" -j2 >/dev/null &&
    $sudo cmake --install "$scratch/build" >/dev/null
}
if [ ! -f "$benchmark_prefix/lib/cmake/benchmark/benchmarkConfig.cmake" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  scratch=$(mktemp -d)
  if ! release_benchmark "$scratch" "$sudo"; then
    echo "install-deps: no release build of Google Benchmark could be made; the benchmarks" \
      "use Debian's library, which reports itself as a debug build" >&2
  fi
  $sudo rm -rf "$scratch"
fi
