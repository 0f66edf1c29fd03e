#!/usr/bin/env bash
# Builds everything and runs every test. Installs what it needs first.
# Every suite must have run something: an empty suite fails the command, and
# the count of each suite is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${QUILLET_BUILD_DIR:-build}
jobs=$(nproc)

# How many tests ctest has registered in DIR under LABEL (a regular expression).
registered() {
  ctest --test-dir "$1" -N -L "$2" | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p'
}
# The sum of the numbers that the pattern's group picks out of the last
# ctest run's full output in DIR.
sum_from_log() {
  local n
  n=$(sed -n "s/$2/\1/p" "$1/Testing/Temporary/LastTest.log" | awk '{s += $1} END {print s + 0}')
  echo "${n:-0}"
}
need() {
  if [ "${2:-0}" -le 0 ]; then
    echo "test.sh: the $1 suite ran no test: failing" >&2
    exit 1
  fi
}

# Every C++ file keeps the checked-in .clang-format.
find store backtest demo cli ui app tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run --Werror

# The window is required here: configuring fails if Qt 6 is missing.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_BUILD_UI=ON
cmake --build "$build" -j"$jobs"

core=$(registered "$build" '^core$')
cli=$(registered "$build" '^cli$')
window=$(registered "$build" '^window$')
need core "$core"
need CLI "$cli"
need window "$window"

# The window's tests need no display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$jobs"
window_functions=$(sum_from_log "$build" '^Totals: \([0-9]*\) passed.*')
need "window (test functions)" "$window_functions"

# The libFuzzer targets (clang, with ASan and UBSan) replay their seed corpus
# and fuzz a few seconds each.
CXX=clang++ cmake -S . -B "$build-fuzz" -DQUILLET_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build-fuzz" -j"$jobs"
fuzz=$(registered "$build-fuzz" '^fuzz$')
need fuzz "$fuzz"
ctest --test-dir "$build-fuzz" --output-on-failure --no-tests=error
fuzz_runs=$(sum_from_log "$build-fuzz" '^Done \([0-9]*\) runs.*')
need "fuzz (inputs run)" "$fuzz_runs"

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
# Qt's own libraries keep some allocations until exit, so leak checking is
# left to the core and CLI tests.
cmake -S . -B "$build-asan" -DCMAKE_BUILD_TYPE=Asan -DQUILLET_BUILD_BENCH=OFF -DQUILLET_BUILD_UI=ON
cmake --build "$build-asan" -j"$jobs"
asan_plain=$(registered "$build-asan" '^(core|cli)$')
asan_window=$(registered "$build-asan" '^window$')
need "sanitizer core and CLI" "$asan_plain"
need "sanitizer window" "$asan_window"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build-asan" --output-on-failure --no-tests=error -j"$jobs" -L '^(core|cli)$'
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build-asan" --output-on-failure --no-tests=error -j"$jobs" -L '^window$'
asan_functions=$(sum_from_log "$build-asan" '^Totals: \([0-9]*\) passed.*')
need "sanitizer window (test functions)" "$asan_functions"

total=$((core + cli + window + fuzz + asan_plain + asan_window))
echo
echo "Suites run:"
echo "  core       $core tests"
echo "  CLI        $cli tests"
echo "  window     $window programs, $window_functions test functions"
echo "  fuzz       $fuzz targets, $fuzz_runs inputs run"
echo "  sanitizer  $asan_plain core and CLI tests, $asan_window window programs ($asan_functions test functions)"
echo "Total: $total passed, 0 failed"
