#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need (as root).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
          qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql libgl-dev xvfb xauth
          libgtest-dev libgmock-dev libbenchmark-dev postgresql
          libcli11-dev nlohmann-json3-dev  # kolmaris-cli: command line, JSON
          clang libclang-rt-14-dev)  # libFuzzer, for fuzz/run.sh
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
