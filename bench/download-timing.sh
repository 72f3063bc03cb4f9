#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times `kolmaris-cli download` of a full 128 KiB data memory from kolmaris-terminal-sim paced at
# 19200 baud, and prints the time beside the wire floor: the bytes the download wrote and read on
# the line (counted by the tool's --stats), at 1920 bytes a second. The target is a time of at
# most 1.10 times the floor.
#
#   bench/download-timing.sh [--build DIR] [--scenario FILE]
#
# DIR is the build directory (default: build/, built here when the programs are missing); FILE
# a scenario to serve instead of the built-in system with a wrapped (full) memory. The variables
# KOLMARIS_CLI and KOLMARIS_TERMINAL_SIM name other copies of the two programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
scenario=
while (($#)); do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --scenario) scenario=$(realpath "$2"); shift 2 ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
  esac
done

cli=${KOLMARIS_CLI:-$build/cli/kolmaris-cli}
sim=${KOLMARIS_TERMINAL_SIM:-$build/terminal-sim/app/kolmaris-terminal-sim}
if [[ ! -x $cli || ! -x $sim ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target kolmaris-cli kolmaris-terminal-sim
fi

source "$root/scripts/simulator.sh"
if [[ -z $scenario ]]; then
  scenario=$work/full-memory.json
  echo '{"name": "full-memory", "memory": {"wrapped": true}}' >"$scenario"
fi

sim_start "$sim" --scenario "$scenario" --baud-pacing
head -n 1 "$work/sim.log"

start=$(date +%s.%N)
"$cli" download --port "$port" --out "$work/out" --stats >"$work/cli.log"
end=$(date +%s.%N)

read -r written read_ < <(sed -n 's/^Line: \([0-9]*\) bytes written, \([0-9]*\) bytes read$/\1 \2/p' "$work/cli.log")
memory=$(sed -n 's/^Memory read: *\([0-9]*\) bytes$/\1/p' "$work/cli.log")
awk -v start="$start" -v end="$end" -v written="$written" -v read_="$read_" -v memory="$memory" 'BEGIN {
  time = end - start
  floor = (written + read_) / 1920
  printf "Memory read:  %d bytes\n", memory
  printf "Time:         %.2f s\n", time
  printf "Wire floor:   %.2f s (%d bytes written and %d read, at 1920 bytes/s)\n", floor, written, read_
  printf "Ratio:        %.3f (target: at most 1.10)\n", time / floor
}'
