#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS (default 60) each, starting from the
# seed corpus in tests/fuzz/corpus. Findings are written to build-fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/install-deps.sh
CXX=clang++ cmake -S . -B build-fuzz -DQUILLET_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=Asan -DQUILLET_BUILD_TESTS=OFF \
  -DQUILLET_BUILD_UI=OFF -DQUILLET_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"

mkdir -p build-fuzz/findings
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  name=${target##*/fuzz_}
  scratch=build-fuzz/tests/fuzz/corpus/$name
  mkdir -p "$scratch"
  echo "== $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
       -artifact_prefix=build-fuzz/findings/"$name"- "$scratch" tests/fuzz/corpus/"$name" 2>build-fuzz/"$name".log; then
    echo "   FINDING: see build-fuzz/$name.log and build-fuzz/findings/"
    status=1
  else
    grep -E 'stat::number_of_executed_units' build-fuzz/"$name".log || true
  fi
done
exit $status
