#!/usr/bin/env bash
# Builds the benchmarks and prints their figures: the portable core on the host, then the
# program's Windows parts under Wine. Nothing here passes or fails on time; the one check
# that can fail the command is the badge's long-run flatness (memory and resources back
# where they started), printed as PASS/FAIL lines.
# Arguments are handed to the host benchmark (Google Benchmark flags, e.g.
# --benchmark_filter=split).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc)
echo "== machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)"

# The portable core on the host, optimised as shipped.
cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release -DQUELVIN_TESTS=OFF -DQUELVIN_BENCH=ON >/dev/null
cmake --build build/bench-host -j "$jobs" --target bench
echo "== host: splitText and the configuration codec at 1 KB, 64 KB and 1 MB"
build/bench-host/bench/host_bench "$@"

# The Windows parts, with the test game (Meteor.exe) of the tests.
cmake -S . -B build/bench-windows -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake" -DQUELVIN_TESTS=ON -DQUELVIN_BENCH=ON >/dev/null
cmake --build build/bench-windows -j "$jobs" --target bench

export QUELVIN_BUILD_DIR="$PWD/build/bench-windows"
game="$QUELVIN_BUILD_DIR/tests/support/Meteor.exe"
export QUELVIN_TEST_GAME="Z:${game//\//\\}"
source tools/wine-env.sh
quelvin_wine_prepare

status=0
run_windows() {
  # One program at a time: two Wine programs starting at once can hang at start-up.
  (cd "$QUELVIN_BUILD_DIR/bench" && "$OLDPWD/tools/wine-run.sh" "./$1.exe") || status=$?
}
run_windows poll_tick_bench
run_windows delivery_latency_bench
# About 40,000 ticks of 5 to 15 ms each under Wine: several minutes.
run_windows badge_flatness_bench
wineserver -k 2>/dev/null || true
exit $status
