#!/usr/bin/env bash
# Installs everything needed to build, run and test the decoder on Debian 12 (run as root,
# or with sudo available).
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev qt6-serialport-dev libqcustomplot-dev libgl-dev libsqlite3-dev
  xvfb xauth x11-utils
  # every font family the window asks for that Debian offers: the layout is tested in each
  fonts-dejavu-core fonts-liberation2 fonts-urw-base35
  # the package: icon pictures, library dependencies, manual page checks
  librsvg2-bin dpkg-dev groff-base
  # the checks of the installed desktop entry, metadata and MIME type, and of the running program
  desktop-file-utils appstream xdotool xdg-utils shared-mime-info libfile-mimeinfo-perl
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
