#!/usr/bin/env bash
# Builds Quelvin.exe and starts it under Wine (on a virtual display when none is set).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake"
cmake --build build/windows -j "$(nproc)" --target Quelvin
echo "Starting build/windows/Quelvin.exe (its settings: build/windows/Quelvin.cfg)"
exec tools/wine-run.sh build/windows/Quelvin.exe
