#!/usr/bin/env bash
# Builds the program, puts the demo instruments next to it and starts it.
# Without a display it says so and runs the headless demo instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${QUILLET_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

cli="$build/cli/quillet-cli"
window="$build/app/Quillet_tester"
# The window reads "config" and the .base files from its own directory.
demo_dir="$build/app"
mkdir -p "$demo_dir"
if [ ! -f "$demo_dir/config" ]; then
  echo "Making the demo instruments in $demo_dir ..."
  "$cli" demo-data "$demo_dir"
fi

if [ -x "$window" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$window"
fi

if [ ! -x "$window" ]; then
  echo "The window was not built (Qt 6 missing?): running the headless demo instead."
else
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the headless demo instead."
fi
for base in "$demo_dir"/*.base; do
  echo
  "$cli" info "$base"
done
if "$cli" backtest --help >/dev/null 2>&1; then
  echo
  echo "Single-pair backtest of EURUSD with the window's default settings:"
  "$cli" backtest "$demo_dir/EURUSD.base"
fi
