#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, starts the simulated terminal (default scenario) and opens
# Kolmaris, which finds it by automatic port detection. Closing Kolmaris stops the simulator.
# Without a display both run under Xvfb for a short while instead: a screenshot of the connected
# main window is saved as a PNG and its path and contents are printed; then kolmaris-cli downloads
# the simulated terminal's whole data memory into kolmaris-data/ and prints its MESH.
#   scripts/run.sh [--scenario FILE] [--open ENTRY]
# FILE: a scenario for the simulator (see terminal-sim/scenarios); ENTRY: without a display, the
# menu entry whose window is pictured instead of the main window (e.g. AddBondMnu).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sim_args=()
shot_args=()
while (($#)); do
  case $1 in
    --scenario) scenario=$(realpath "$2"); sim_args+=(--scenario "$scenario"); shot_args+=(--scenario "$scenario"); shift 2 ;;
    --open) shot_args+=(--open "$2"); shift 2 ;;
    *) echo "usage: scripts/run.sh [--scenario FILE] [--open ENTRY]" >&2; exit 2 ;;
  esac
done
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kolmaris kolmaris-terminal-sim kolmaris-cli

kolmaris=$root/build/monitor/kolmaris
sim=$root/build/terminal-sim/app/kolmaris-terminal-sim

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "No display: running under Xvfb and taking a screenshot."
  bash scripts/screenshot-main-window.sh --build "$root/build" "${shot_args[@]}" "$root/kolmaris-main-window.png"
  echo "Downloading the simulated terminal's data memory with kolmaris-cli:"
  export XDG_RUNTIME_DIR=$(mktemp -d)  # a port directory of its own: only this simulator is found
  "$sim" "${sim_args[@]}" >"$XDG_RUNTIME_DIR/sim.log" 2>&1 &
  sim_pid=$!
  trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -rf "$XDG_RUNTIME_DIR"' EXIT
  for _ in $(seq 100); do grep -q " on COM " "$XDG_RUNTIME_DIR/sim.log" && break; sleep 0.1; done
  head -n 1 "$XDG_RUNTIME_DIR/sim.log"
  status=0
  "$root/build/cli/kolmaris-cli" download --out "$root/kolmaris-data" || status=$?
  "$root/build/cli/kolmaris-cli" mesh || true  # exits 1 when an element did not answer
  exit $status
fi

log=$(mktemp)
"$sim" "${sim_args[@]}" >"$log" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 100); do
  grep -q " on COM " "$log" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
head -n 1 "$log"
"$kolmaris"
