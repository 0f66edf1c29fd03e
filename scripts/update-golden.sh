#!/usr/bin/env bash
# Rewrites tests/golden/outputs.tar.xz from the outputs of the current build.
# Only for a deliberate change of what the program prints: the golden tests
# exist to show that a change of the code changed none of it.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUILLET_BUILD_DIR:-build}
scripts/configure.sh "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target quillet_cli_tests quillet_window_tests

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
QUILLET_UPDATE_GOLDEN="$out" "$build/tests/quillet_cli_tests" --gtest_filter='DemoInstruments/GoldenOutput.*'
QUILLET_UPDATE_GOLDEN="$out" QT_QPA_PLATFORM=offscreen "$build/tests/ui/quillet_window_tests" GoldenWindowTest
tar --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner -C "$out" -cJf tests/golden/outputs.tar.xz .
echo "tests/golden/outputs.tar.xz: $(tar -tJf tests/golden/outputs.tar.xz | grep -c -v '/$') outputs"
