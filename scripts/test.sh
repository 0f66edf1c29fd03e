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

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
# Qt's own libraries keep some allocations until exit, so leak checking is
# left to the core and CLI tests.
cmake -S . -B "$build-asan" -DCMAKE_BUILD_TYPE=Asan -DQUILLET_BUILD_BENCH=OFF
cmake --build "$build-asan" -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build-asan" --output-on-failure -j"$(nproc)" -E '^ui_'
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build-asan" --output-on-failure -j"$(nproc)" -R '^ui_'
