#!/usr/bin/env bash
# Installs what is missing, builds Tarvo and runs every test.
# With TARVO_SANITIZE=1 the whole suite runs a second time in an
# AddressSanitizer + UndefinedBehaviorSanitizer build (build-sanitize/).
# With TARVO_FUZZ=1 every reader's fuzz target runs for a few seconds
# (TARVO_FUZZ_SECONDS, default 5) from the example files (build-fuzz/).
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DTARVO_WERROR="$werror" "$@"
  cmake --build "$dir" --parallel "$jobs"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure --parallel "$jobs"
}

run_suite build

if [ "${TARVO_SANITIZE:-0}" = "1" ]; then
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON
fi

if [ "${TARVO_FUZZ:-0}" = "1" ]; then
  ./scripts/fuzz-smoke.sh "${TARVO_FUZZ_SECONDS:-5}"
fi
