#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Faults injected end to end: kolmaris-cli and the "Data in terminal" window's machine
# (bench_download --mode window) download the memory of kolmaris-terminal-sim on a
# pseudo-terminal, and each result must equal a clean download, file for file:
#   - over a line that corrupts 0.5 % and drops 0.5 % of the bytes in each direction;
#   - with the simulator stopped in the middle of the download (paced at 19200 baud) and
#     started again a second later with the same memory on the same port.
# Acquisition is stopped in the scenario, so the memory stays as it is between the runs.
#
#   scripts/fault-injection.sh [BUILD_DIR] [DAYS]     default: build/, 2 days of data
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
days=${2:-2}
cli=$build/cli/kolmaris-cli
sim=$build/terminal-sim/app/kolmaris-terminal-sim
window=$build/bench/bench_download
for program in "$cli" "$sim" "$window"; do
  [[ -x $program ]] || { echo "missing $program: build it first" >&2; exit 2; }
done

work=$(mktemp -d)
sim_pid=
stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=
  fi
}
trap 'stop_sim; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run  # a port directory of its own
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

base='"name": "faults", "memory": {"days": '$days'}, "terminal": {"acquisitionRunning": false}'
echo "{$base}" >"$work/clean.json"
echo "{$base, \"faults\": {\"corruptionRate\": 0.005, \"lossRate\": 0.005}}" >"$work/noisy.json"

# start_sim SCENARIO PORT [OPTION...]
start_sim() {
  local log=$work/sim-$2-$RANDOM.log
  "$sim" --scenario "$work/$1.json" --port "$2" "${@:3}" >"$log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q " on COM $2 " "$log" && return 0
    sleep 0.1
  done
  echo "the simulator did not start:" >&2
  cat "$log" >&2
  exit 1
}

# download TOOL PORT DIR: the CLI or the window's machine.
download() {
  if [[ $1 == cli ]]; then
    "$cli" download --port "$2" --out "$3" >"$3.log" 2>&1
  else
    "$window" --port "$2" --mode window --out "$3" >"$3.log" 2>&1
  fi
}

failed=0
# compare NAME DIR SECONDS
compare() {
  if diff -r "$work/clean" "$2" >/dev/null 2>&1; then
    printf '%-36s identical to the clean download (%d s)\n' "$1" "$3"
  else
    failed=$((failed + 1))
    printf '%-36s DIFFERS from the clean download (%d s); its output:\n' "$1" "$3"
    sed 's/^/    /' "$2.log"
  fi
}

port=150
start_sim clean $port
download cli $port "$work/clean" || { echo "the clean download failed:"; cat "$work/clean.log"; exit 1; }
stop_sim
echo "clean download: $(ls "$work/clean" | wc -l) files, $(sed -n 's/^Memory read: *//p' "$work/clean.log")"

for tool in cli window; do
  port=$((port + 1))
  start_sim noisy $port
  start=$SECONDS
  download $tool $port "$work/noisy-$tool"
  compare "noisy line, $tool:" "$work/noisy-$tool" $((SECONDS - start))
  stop_sim

  port=$((port + 1))
  start_sim clean $port --baud-pacing
  start=$SECONDS
  download $tool $port "$work/unplugged-$tool" &
  tool_pid=$!
  sleep 2
  stop_sim
  sleep 1
  start_sim clean $port --baud-pacing
  wait $tool_pid
  compare "unplugged and plugged back, $tool:" "$work/unplugged-$tool" $((SECONDS - start))
  grep -h "continuing" "$work/unplugged-$tool.log" | sed 's/^/    /'
  stop_sim
done
[[ $failed -eq 0 ]]
