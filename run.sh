#!/usr/bin/env bash
# Installs what is missing, builds Tarvo and starts the program; arguments are
# passed on to it. Without arguments the program opens an example data file.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)"
if [ $# -eq 0 ]; then
  set -- examples/wenner32.001
fi
exec ./build/tarvo "$@"
