#!/usr/bin/env bash
# Builds everything and runs every test. Installs what it needs first.
# Two builds: an optimised one (GCC) that runs every suite in full and builds
# the benchmarks, and a clang one under AddressSanitizer and
# UndefinedBehaviorSanitizer that runs every suite again (the random
# comparisons on fewer cases) and the libFuzzer targets.
# Every suite must have run something: an empty suite fails the command, and
# the count of each suite is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

# How long each phase took, printed as it ends and again at the end.
phases=()
phase_started=$SECONDS
phase_done() {
  local took=$((SECONDS - phase_started))
  phases+=("$(printf '%-46s %3d min %02d s' "$1" $((took / 60)) $((took % 60)))")
  echo "test.sh: $1 took $((took / 60)) min $((took % 60)) s"
  phase_started=$SECONDS
}
all_started=$SECONDS

scripts/install-deps.sh build
phase_done "packages (build)"
# Clang and its sanitizer runtime, and Chromium for the report's test,
# install while the optimised build compiles.
deps_log=$(mktemp)
scripts/install-deps.sh sanitizer browser >"$deps_log" 2>&1 &
deps_pid=$!

build=${QUILLET_BUILD_DIR:-build}
jobs=$(nproc)

# How many tests ctest has registered in DIR under LABEL (a regular expression).
registered() {
  ctest --test-dir "$1" -N -L "$2" | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p'
}
# The sum of the numbers that the pattern's group picks out of the last
# ctest run's output in DIR, over the tests whose name starts with PREFIX.
sum_from_log() {
  awk -v prefix="$3" -v pattern="$2" '
    /^[0-9]+\/[0-9]+ Test: / { name = $3 }
    index(name, prefix) == 1 && match($0, pattern) {
      m = substr($0, RSTART, RLENGTH)
      match(m, /[0-9]+/)
      s += substr(m, RSTART, RLENGTH)
    }
    END { print s + 0 }' "$1/Testing/Temporary/LastTest.log"
}
need() {
  if [ "${2:-0}" -le 0 ]; then
    echo "test.sh: the $1 suite ran no test: failing" >&2
    exit 1
  fi
}
# GoogleTest's closing count and QtTest's.
gtest_passed='^\\[  PASSED  \\] [0-9]+ test'
qtest_passed='^Totals: [0-9]+ passed'

# Every C++ file keeps the checked-in .clang-format.
find model rule engine analysis report store demo cli ui app tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run --Werror
# The launcher and the AppStream metadata are valid.
scripts/check-desktop.sh
phase_done "format and launcher checks"

# 1. The optimised build: every suite in full. Without debug information,
# which would only slow the compile.
# The run command configures the same folder the same way (configure.sh),
# so either command reuses what the other built.
scripts/configure.sh "$build"
cmake --build "$build" -j"$jobs"
phase_done "optimised build"
core=$(registered "$build" '^core$')
cli=$(registered "$build" '^cli$')
window=$(registered "$build" '^window$')
browser=$(registered "$build" '^browser$')
need core "$core"
need CLI "$cli"
need window "$window"
need browser "$browser"

# The browser test needs Chromium in place.
if ! wait "$deps_pid"; then
  cat "$deps_log" >&2
  echo "test.sh: installing clang, its sanitizer runtime and Chromium failed" >&2
  exit 1
fi
phase_done "waiting for clang and Chromium"

# The window's tests need no display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$jobs"
core_tests=$(sum_from_log "$build" "$gtest_passed" quillet_core_tests.)
cli_tests=$(sum_from_log "$build" "$gtest_passed" quillet_cli_tests.)
window_functions=$(sum_from_log "$build" "$qtest_passed" ui_)
need "core (tests)" "$core_tests"
need "CLI (tests)" "$cli_tests"
need "window (test functions)" "$window_functions"
phase_done "optimised tests (core, CLI, window, browser)"

# 2. The sanitizer build, with the fuzz targets in the same tree. Qt's own
# libraries keep some allocations until exit, so leak checking is left to
# the core, the CLI and the fuzz targets.
asan="$build-asan"
CXX=clang++ cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=Asan -DQUILLET_BUILD_FUZZ=ON -DQUILLET_BUILD_BENCH=OFF \
  -DQUILLET_BUILD_UI=ON
cmake --build "$asan" -j"$jobs"
phase_done "sanitizer build"
asan_plain=$(registered "$asan" '^(core|cli)$')
asan_window=$(registered "$asan" '^window$')
fuzz=$(registered "$asan" '^fuzz$')
need "sanitizer core and CLI" "$asan_plain"
need "sanitizer window" "$asan_window"
need fuzz "$fuzz"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$asan" --output-on-failure --no-tests=error -j"$jobs" -L '^(core|cli)$'
asan_tests=$(($(sum_from_log "$asan" "$gtest_passed" quillet_core_tests.) +
  $(sum_from_log "$asan" "$gtest_passed" quillet_cli_tests.)))
need "sanitizer core and CLI (tests)" "$asan_tests"
phase_done "sanitizer tests (core, CLI)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$asan" --output-on-failure --no-tests=error -j"$jobs" -L '^fuzz$'
fuzz_runs=$(sum_from_log "$asan" '^Done [0-9]+ runs' fuzz_)
need "fuzz (inputs run)" "$fuzz_runs"
phase_done "fuzzing"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$asan" --output-on-failure --no-tests=error -j"$jobs" -L '^window$'
asan_functions=$(sum_from_log "$asan" "$qtest_passed" ui_)
need "sanitizer window (test functions)" "$asan_functions"
phase_done "sanitizer tests (window)"

total=$((core_tests + cli_tests + window_functions + fuzz + asan_tests + asan_functions))
echo
echo "Suites run:"
echo "  core       $core suites, $core_tests tests"
echo "  CLI        $cli suites, $cli_tests tests"
echo "  window     $window classes, $window_functions test functions"
echo "  browser    $browser report rendered by Chromium"
echo "  fuzz       $fuzz targets, $fuzz_runs inputs run"
echo "  sanitizer  $asan_plain core and CLI suites ($asan_tests tests), $asan_window window classes ($asan_functions test functions)"
echo "Total: $total passed, 0 failed"
echo
echo "Time by phase:"
printf '  %s\n' "${phases[@]}"
took=$((SECONDS - all_started))
echo "  $(printf '%-46s %3d min %02d s' "in all" $((took / 60)) $((took % 60)))"
