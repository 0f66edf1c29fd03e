#!/usr/bin/env bash
# Builds everything and runs every test. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${QUILLET_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

# The window's tests need no display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# The libFuzzer targets (clang, with ASan and UBSan) replay their seed corpus
# and fuzz a few seconds each.
CXX=clang++ cmake -S . -B "$build-fuzz" -DQUILLET_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build-fuzz" -j"$(nproc)"
ctest --test-dir "$build-fuzz" --output-on-failure
