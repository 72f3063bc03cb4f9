#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes a screenshot of the main window connected to the simulated terminal (default scenario)
# on a virtual X display (Xvfb), then prints the PNG's path and what the window shows.
#
#   scripts/screenshot-main-window.sh [--build DIR] [--scenario FILE] [--open ENTRY [--zoom]] [OUTPUT.png]
#
# --open pictures the window of a menu entry (its object name, e.g. AddBondMnu) instead; the
# question to stop the data acquisition first is answered OK. --zoom zooms its chart in once.
# DIR is the build directory (default: build/, built here when the programs are missing);
# OUTPUT.png defaults to kolmaris-main-window.png in the current directory. The environment
# variables KOLMARIS and KOLMARIS_TERMINAL_SIM name other copies of the two programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
out=$PWD/kolmaris-main-window.png
sim_args=()
open_args=()
while (($#)); do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --scenario) sim_args=(--scenario "$(realpath "$2")"); shift 2 ;;
    --open) open_args+=(--open "$2"); shift 2 ;;
    --zoom) open_args+=(--zoom); shift ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) out=$(realpath -m "$1"); shift ;;
  esac
done

kolmaris=${KOLMARIS:-$build/monitor/kolmaris}
sim=${KOLMARIS_TERMINAL_SIM:-$build/terminal-sim/app/kolmaris-terminal-sim}
if [[ ! -x $kolmaris || ! -x $sim ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target kolmaris kolmaris-terminal-sim
fi
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: apt-get install xvfb xauth" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program beside a configuration file of its own: automatic port detection.
cp "$kolmaris" "$work/kolmaris"
printf 'COM: 0\nTimeOut: 200\nAttemptCount: 3\n' >"$work/Kolmaris_V2.cfg"
# A port directory of its own, so only this simulator is found.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
export SIM=$sim WORK=$work OUT=$out SIM_ARGS="${sim_args[*]}" OPEN_ARGS="${open_args[*]}"

# Inside the virtual display: the simulator, then the program until its picture is saved.
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$SIM" $SIM_ARGS >"$WORK/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q "on COM" "$WORK/sim.log" && break
    sleep 0.1
  done
  status=0
  timeout 60 "$WORK/kolmaris" --screenshot "$OUT" $OPEN_ARGS >"$WORK/shot.log" 2>"$WORK/kolmaris.log" || status=$?
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  exit $status
' || status=$?

if ((status != 0)) || [[ ! -s $out ]]; then
  echo "No screenshot (exit status $status)." >&2
  cat "$work/sim.log" "$work/shot.log" "$work/kolmaris.log" >&2 2>/dev/null || true
  exit 1
fi
head -n 1 "$work/sim.log"
echo "Screenshot: $(head -n 1 "$work/shot.log")"
echo "Shows: $(sed -n 2p "$work/shot.log")"
