#!/usr/bin/env bash
# Installs what is missing and builds Kolmaris. (The program's windows come next; for now this
# builds the core libraries, the tests and the benchmarks.)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
echo "Built into build/. Benchmarks: build/bench/kolmaris_bench"
