#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes a screenshot of the "Radon history" window on two weeks of the simulated terminal's
# records (the default scenario, downloaded by kolmaris-cli into an archive of its own), the
# chart zoomed in once, on a virtual X display; prints the PNG's path.
#
#   scripts/screenshot-history.sh [--build DIR] [OUTPUT.png]
#
# DIR is the build directory (default: build/); OUTPUT.png defaults to
# kolmaris-radon-history.png in the current directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
out=$PWD/kolmaris-radon-history.png
while (($#)); do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    -h | --help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) out=$(realpath -m "$1"); shift ;;
  esac
done
cmake --build "$build" -j2 --target kolmaris kolmaris-cli kolmaris-terminal-sim >/dev/null

source "$root/scripts/simulator.sh"
# The program's default archive under $XDG_DATA_HOME.
export XDG_DATA_HOME=$work/data

sim_start "$build/terminal-sim/app/kolmaris-terminal-sim"
"$build/cli/kolmaris-cli" download --port "$port" --out "$work/tab" --archive >"$work/download.log" ||
  { cat "$work/download.log" >&2; exit 1; }
sim_stop

"$root/scripts/screenshot-main-window.sh" --build "$build" --open HistoryMnu --zoom "$out"
