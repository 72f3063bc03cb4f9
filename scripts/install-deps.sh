#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the tests and the benchmarks need (as root), or only
# the packages given as arguments (scripts/install-deps.sh wine64 nsis).
set -euo pipefail
packages=("$@")
((${#packages[@]})) || packages=(cmake ninja-build g++ pkg-config
          qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql libgl-dev xvfb xauth
          nlohmann-json3-dev fonts-dejavu-core poppler-utils  # the report: JSON, PDF fonts, PDF checks
          libgtest-dev libgmock-dev libbenchmark-dev postgresql
          libcli11-dev  # kolmaris-cli: command line
          clang libclang-rt-14-dev  # libFuzzer, for fuzz/run.sh
          dpkg-dev file help2man man-db desktop-file-utils bash-completion)  # the Debian package and its test
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
