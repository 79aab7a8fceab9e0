#!/usr/bin/env bash
# Builds the benchmarks and prints their figures. Nothing here passes or fails on time; the
# one check that can fail the command is the long run's flatness (memory and resources back
# where they started), printed as PASS/FAIL lines.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc)
echo "== machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)"

# The portable core on the host, optimised as shipped.
cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release -DQUELVIN_TESTS=OFF -DQUELVIN_BENCH=ON >/dev/null
cmake --build build/bench-host -j "$jobs" --target host_bench
echo "== host: splitText and the configuration codec at 1 KB, 64 KB and 1 MB"
build/bench-host/bench/host_bench "$@"
