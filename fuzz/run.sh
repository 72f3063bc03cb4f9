#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# fuzz/run.sh SECONDS: builds the fuzz targets with clang (build-fuzz/), makes their seed corpora
# with the program's own code and runs each target for SECONDS; fails on the first defect found.
# The corpora grow in build-fuzz/corpus/TARGET; a crashing input lands in build-fuzz/crashes/.
# Prints the executions each target ran clean.
set -euo pipefail
seconds=${1:?usage: fuzz/run.sh SECONDS}
cd "$(dirname "$0")/.."
build=build-fuzz
command -v clang++ >/dev/null || bash scripts/install-deps.sh
if [[ ! -f $build/build.ninja ]]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CXX=clang++ CC=clang cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKOLMARIS_FUZZ=ON -DKOLMARIS_TESTS=OFF -DKOLMARIS_BENCH=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j2 --target kolmaris_fuzz
"$build/fuzz/kolmaris_fuzz_seeds" "$build/seeds"
mkdir -p "$build/crashes"
targets=(fuzz_frames fuzz_replies fuzz_data_store fuzz_config_file fuzz_scenario fuzz_sim_requests)
printf '%-20s %14s\n' target executions
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  log=$build/$target.log
  if ! "$build/fuzz/$target" "$corpus" "$build/seeds/$target" -max_total_time="$seconds" -max_len=8192 \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" \
      >"$log" 2>&1; then
    tail -40 "$log"
    echo "fuzz/run.sh: $target found a defect; the input is in $build/crashes/" >&2
    exit 1
  fi
  printf '%-20s %14s\n' "$target" "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
done
