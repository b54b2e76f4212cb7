#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Valmorix need.
# Only what is missing is installed; run as root or with sudo available.
# `install-deps.sh --list` prints the list. One package a line, in alphabetical
# order, with --no-install-recommends in mind: list what a package only
# recommends. tools/check-packages.py (run by CI) fails when the build reads
# a file from a package this list does not bring.
set -euo pipefail
packages=(
  clang
  clang-format
  cmake
  dpkg-dev
  fonts-wqy-microhei
  g++
  libbenchmark-dev
  libclang-rt-14-dev
  libcli11-dev
  libgmock-dev
  libgtest-dev
  libqt6opengl6-dev
  libshp-dev
  libsqlite3-dev
  ninja-build
  pkg-config
  poppler-utils
  pxlib-dev
  python3
  python3-dbf
  python3-dbfread
  qt6-base-dev
  qt6-charts-dev
  qt6-documentation-tools
  qt6-tools-dev
  qt6-translations-l10n
  shapelib
  xauth
  xvfb
)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
