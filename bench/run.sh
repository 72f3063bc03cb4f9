#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bench/run.sh [BUILD_DIR]: measures every benchmark figure of the program in one run and prints
# them as one table beside their goals; exits 1 when a goal is missed, 2 when a figure could not
# be measured. BUILD_DIR defaults to build/ (the programs and benchmarks are built there when
# missing). Takes about nine minutes: three full downloads at 19200 baud and 30 s of idling.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" -j2 --target kolmaris-cli kolmaris-terminal-sim kolmaris_bench bench_download \
  bench_main_window bench_history_chart bench_report >/dev/null

source "$root/scripts/simulator.sh"

rows=()
status=0
# row FIGURE GOAL MEASURED LIMIT less-than|at-most [SHOWN]: a table row, SHOWN (default MEASURED)
# in the measured column; an empty MEASURED is "not measured".
row() {
  local verdict
  if [[ -z $3 ]]; then
    verdict="not measured"
    ((status == 1)) || status=2
  elif awk -v m="$3" -v l="$4" -v op="$5" 'BEGIN { exit !(op == "less-than" ? m < l : m <= l) }'; then
    verdict=met
  else
    verdict=MISSED
    status=1
  fi
  rows+=("| $1 | $2 | ${6:-$3} | $verdict |")
}

echo "Measuring (about nine minutes)..." >&2
cli_ratio=$("$root/bench/download-timing.sh" --build "$build" 2>&1 | sed -n 's/^Ratio: *\([0-9.]*\).*/\1/p') || true
row "full 128 KiB download, CLI, 19200-baud pacing, against the wire floor" "≤ 1.10 ×" "$cli_ratio" 1.10 at-most

window_ratio=$("$root/bench/window-download-timing.sh" "$build" window 2>&1 |
  sed -n 's/^window .* ratio \([0-9.]*\).*/\1/p') || true
row "the same through the terminal data window's machine" "≤ 1.35 ×" "$window_ratio" 1.35 at-most

# The main window finds the paced simulator by automatic detection in the port directory of its own.
sim_start "$build/terminal-sim/app/kolmaris-terminal-sim" --baud-pacing
QT_QPA_PLATFORM=offscreen "$build/bench/bench_main_window" >"$work/main.log" 2>&1 || true
figure() { sed -n "s/^$1 \([0-9.]*\)$/\1/p" "$work/main.log"; }
# The worst tick decides; the median is shown beside it.
row "one main-window polling tick at 19200-baud pacing, median / worst (ms)" "< 60 ms" \
  "$(figure tick-worst)" 60 less-than "$(figure tick-median) / $(figure tick-worst)"
row "CPU of the connected, idle program over 30 s (% of one core)" "< 1 %" "$(figure idle-cpu)" 1 less-than
row "wake-ups of the connected, idle program (per second)" "< 50 /s" "$(figure idle-wakeups)" 50 less-than
sim_stop

reconnect=
if [[ -x $root/bench/reconnect-cost.sh ]]; then
  reconnect=$("$root/bench/reconnect-cost.sh" "$build" 2>/dev/null | grep -o '[0-9.]\+ *ms' | tail -1 | grep -o '[0-9.]\+') || true
fi
row "one reconnection attempt with no terminal anywhere, GUI thread (ms)" "< 20 ms" "$reconnect" 20 less-than

parse=$("$build/bench/kolmaris_bench" --benchmark_filter=BM_ParseAndWriteFullMemory --benchmark_format=csv 2>/dev/null |
  awk -F, '/^"BM_ParseAndWriteFullMemory"/ { print $3 }') || true
row "parser and writers on a full memory, unpaced (ms)" "< 100 ms" "$parse" 100 less-than
row "start to first live values with automatic detection (ms)" "< 2 s" "$(figure start-to-live)" 2000 less-than

history=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_history_chart" 2>/dev/null) || true
row "a year of hourly records of 16 probes (140 160 rows) from SQLite into the history chart (ms)" "< 1 s" \
  "$(sed -n 's/^history-all-probes \([0-9]*\)$/\1/p' <<<"$history")" 1000 less-than

report=$("$build/bench/bench_report" 2>/dev/null) || true
row "the measurement report of a year of hourly records of 16 probes, PDF from SQLite (ms)" "< 2 s" \
  "$(sed -n 's/^report-pdf \([0-9]*\)$/\1/p' <<<"$report")" 2000 less-than

nightly=$("$root/bench/new-only-timing.sh" --build "$build" 2>&1) || true
new_only=$(sed -n 's/^New-only download: \([0-9.]*\) s.*/\1/p' <<<"$nightly")
row "download --new-only of one day's data at 19200-baud pacing, beside a full one (s)" "< 10 s" "$new_only" 10 \
  less-than "$new_only (full: $(sed -n 's/^Full download: \([0-9.]*\) s.*/\1/p' <<<"$nightly"))"

echo "| figure | goal | measured | verdict |"
echo "|---|---|---|---|"
printf '%s\n' "${rows[@]}"
if [[ -s $work/main.log ]] && ! grep -q start-to-live "$work/main.log"; then
  echo "bench_main_window: $(tail -1 "$work/main.log")" >&2
fi
exit "$status"
