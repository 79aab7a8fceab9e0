#!/usr/bin/env bash
# Builds both targets and runs every test: the host unit tests natively, then the Windows
# unit and end-to-end tests under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc)

cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/host -j "$jobs"
ctest --test-dir build/host --output-on-failure

# The same host tests under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build/host-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUELVIN_SANITIZE=ON
cmake --build build/host-sanitize -j "$jobs"
ctest --test-dir build/host-sanitize --output-on-failure

# The fuzz targets, each for a bounded time; any finding fails the run.
if [ -f fuzz/CMakeLists.txt ]; then
  cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DQUELVIN_TESTS=OFF -DQUELVIN_FUZZ=ON
  cmake --build build/fuzz -j "$jobs"
  ctest --test-dir build/fuzz --output-on-failure
fi

cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake"
cmake --build build/windows -j "$jobs"

export QUELVIN_BUILD_DIR="$PWD/build/windows"
source tools/wine-env.sh
quelvin_wine_prepare
status=0
# Wine programs run one at a time: two starting at the same instant can hang at start-up.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir build/windows --output-on-failure || status=$?
wineserver -k 2>/dev/null || true
exit $status
