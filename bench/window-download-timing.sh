#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times a whole download of a full (wrapped) 128 KiB terminal memory from the simulated terminal
# served on a pseudo-terminal at 19200 baud, and prints it beside the wire floor (the bytes of
# the exchanges at 1920 bytes a second), for the "Data in terminal" window's download (its 10 ms
# timer, without the main window's polling), the download machine ticked back to back, and a
# loop that sleeps the machine's 10 ms between ticks.
#
#   bench/window-download-timing.sh [BUILD_DIR [MODE...]]
#
# BUILD_DIR defaults to build/; MODE is window, loop or paced-loop (default: all three).
# Each download takes a little over two minutes.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
[ $# -gt 0 ] && shift
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(window loop paced-loop)

sim="$build/terminal-sim/app/kolmaris-terminal-sim"
bench="$build/bench/bench_download"
for program in "$sim" "$bench"; do
  [ -x "$program" ] || { echo "missing $program: build it first" >&2; exit 1; }
done

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work"
echo '{"memory": {"wrapped": true}}' > "$work/full-memory.json"
port=201
"$sim" --port "$port" --scenario "$work/full-memory.json" --baud-pacing > "$work/sim.log" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT

for _ in $(seq 100); do
  [ -e "$work/kolmaris/ports/COM$port" ] && break
  sleep 0.1
done
[ -e "$work/kolmaris/ports/COM$port" ] || { echo "the simulated terminal did not register COM $port" >&2; exit 1; }

for mode in "${modes[@]}"; do
  QT_QPA_PLATFORM=offscreen "$bench" --port "$port" --mode "$mode"
done
