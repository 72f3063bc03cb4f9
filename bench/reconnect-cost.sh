#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The GUI-thread cost of one reconnection attempt of the main window with no terminal anywhere
# (automatic port detection over this machine's ports, an empty port directory); prints
#   reconnection attempt, no terminal: N ms
# with N the processor time of the GUI thread, median of 21 attempts (goal: below 20 ms), and
# with --wall a second line with the attempt's wall time, which holds the 50 ms handshake wait
# of each present port without a terminal.
#
#   bench/reconnect-cost.sh [--wall] [BUILD_DIR]
set -euo pipefail

wall=false
[ "${1:-}" = --wall ] && { wall=true; shift; }
build=$(cd "${1:-build}" && pwd)
bench="$build/bench/bench_reconnect"
[ -x "$bench" ] || { echo "missing $bench: build it first (cmake --build $build --target bench_reconnect)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A port directory of its own: no simulated terminal registered.
XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen "$bench" 21 2> "$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
if $wall; then grep '^wall time' "$work/stderr"; fi
