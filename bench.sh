#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs the engine benchmarks and the
# window timings at full capacity, and prints one table of medians, each
# against the fastest possible pass over the same bytes and its target.
# Extra arguments go to the engine benchmarks (e.g. --benchmark_filter=Open/).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_BENCH=ON \
  -DTARVO_BUILD_GUI=ON -DTARVO_BUILD_TESTS=OFF > /dev/null
cmake --build build-bench --target tarvo_bench tarvo_gui_bench

out=build-bench/results
mkdir -p "$out"
# The full output of both suites stays in the results folder; the table is
# what the run prints.
./build-bench/tarvo_bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/engine.json" --benchmark_out_format=json "$@" > "$out/engine.txt"
# Each window timing is the median of 5 runs.
QT_QPA_PLATFORM=offscreen ./build-bench/tarvo_gui_bench -silent -median 5 \
  -o "$out/gui.xml,xml" -o "$out/gui.txt,txt"

python3 scripts/bench-table.py "$out/engine.json" "$out/gui.xml"
