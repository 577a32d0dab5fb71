#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_BENCH=ON \
  -DTARVO_BUILD_GUI=OFF -DTARVO_BUILD_TESTS=OFF > /dev/null
cmake --build build-bench --target tarvo_bench
./build-bench/tarvo_bench --benchmark_min_time=0.2 "$@"
