#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the whole test suite N times in a row with two busy loops beside it, so that tests
# which assume the other process is scheduled at once show up. Prints one line per run and
# exits non-zero when any run failed.
#   scripts/stress-tests.sh [N] [BUILD_DIR]     default: 10 runs of build/
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
build=${2:-build}
[[ -f "$build/CTestTestfile.cmake" ]] || { echo "stress-tests: no test build in $build" >&2; exit 2; }

busy=()
stop_busy() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
  wait "${busy[@]}" 2>/dev/null
}
trap stop_busy EXIT
for _ in 1 2; do
  bash -c 'while :; do :; done' &
  busy+=("$!")
done

export QT_QPA_PLATFORM=offscreen
logs=$(mktemp -d)
failed=0
for ((run = 1; run <= runs; run++)); do
  start=$SECONDS
  if ctest --test-dir "$build" --output-on-failure -j"$(nproc)" >"$logs/run$run.log" 2>&1; then
    echo "run $run: passed ($((SECONDS - start)) s)"
  else
    failed=$((failed + 1))
    echo "run $run: FAILED ($((SECONDS - start)) s), log $logs/run$run.log:"
    grep -E '\(Failed\)|\(Timeout\)|\*\*\*' "$logs/run$run.log" | sed 's/^/    /'
  fi
done
echo "$((runs - failed)) of $runs runs passed with two busy loops beside them"
[[ $failed -eq 0 ]]
