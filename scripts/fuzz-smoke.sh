#!/usr/bin/env bash
# Builds the readers' libFuzzer targets with clang and runs each one briefly,
# seeded with the example files, the test fixtures and the seeds in
# fuzz/seeds of its type. A crash leaves its input in build-fuzz/findings/
# and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}

cmake -S . -B build-fuzz -G Ninja -DTARVO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ > build-fuzz.log 2>&1 || { cat build-fuzz.log; exit 1; }
cmake --build build-fuzz --parallel "$(nproc 2>/dev/null || echo 2)"

mkdir -p build-fuzz/findings build-fuzz/logs
status=0
for target in build-fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  # Seeds: files of the type the target reads.
  case "$name" in
    fuzz_syscal) pattern='*.0[0-9][0-9]' ;;
    fuzz_syscal_seq) pattern='*.seq' ;;
    fuzz_sensinv2d) pattern='*.ui' ;;
    fuzz_res2dinv) pattern='*.dat' ;;
    fuzz_abem_amp) pattern='*.amp' ;;
    fuzz_abem_protocol) pattern='*.org' ;;
    fuzz_syscal_pro_bin) pattern='*.bin' ;;
    fuzz_syscal_pro_binx) pattern='*.binx' ;;
    fuzz_abem_lund) pattern='*.ohm' ;;
    fuzz_unified) pattern='*.dat' ;;
    *) pattern='*.txt' ;;
  esac
  find examples tests/data fuzz/seeds -type f -iname "$pattern" -exec cp {} "$corpus/" \; 2>/dev/null || true
  echo "fuzzing $name for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time="$seconds" -print_final_stats=0 \
      -artifact_prefix="build-fuzz/findings/$name-" "$corpus" > "build-fuzz/logs/$name.log" 2>&1; then
    echo "FAILED: $name found a crash (see build-fuzz/logs/$name.log and build-fuzz/findings/)"
    tail -n 30 "build-fuzz/logs/$name.log"
    status=1
  fi
done
exit $status
