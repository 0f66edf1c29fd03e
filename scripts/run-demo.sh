#!/usr/bin/env bash
# Builds the program, puts the demo instruments next to it and opens the
# window on them. Without a display it says why and runs the headless demo.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${QUILLET_BUILD_DIR:-build}
scripts/configure.sh "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target Quillet_tester quillet-cli

cli="$build/cli/quillet-cli"
window="$build/app/Quillet_tester"
# The window reads "config" and the .base files from its own directory.
demo_dir="$build/app"
mkdir -p "$demo_dir"
if [ ! -f "$demo_dir/config" ]; then
  echo "Making the demo instruments in $demo_dir ..."
  "$cli" demo-data "$demo_dir"
fi

# Why the window cannot open here, or nothing when it can.
no_display_reason() {
  if [ ! -x "$window" ]; then
    echo "the window was not built (configured with -DQUILLET_BUILD_UI=OFF)"
  elif [ -n "${WAYLAND_DISPLAY:-}" ]; then
    return 0
  elif [ -z "${DISPLAY:-}" ]; then
    echo "there is no display (DISPLAY and WAYLAND_DISPLAY are unset)"
  elif [[ "$DISPLAY" =~ ^:([0-9]+)(\.[0-9]+)?$ ]] && [ ! -S "/tmp/.X11-unix/X${BASH_REMATCH[1]}" ]; then
    echo "DISPLAY is $DISPLAY but no X server listens there"
  fi
}

reason=$(no_display_reason)
if [ -z "$reason" ]; then
  echo "Opening the window on the demo instruments in $demo_dir ..."
  exec "$window"
fi

echo "Not opening the window: $reason. Running the headless demo instead."
for base in "$demo_dir"/*.base; do
  echo
  "$cli" info "$base"
done
echo
echo "Single-pair backtest of EURUSD with the window's default settings:"
"$cli" backtest "$demo_dir/EURUSD.base"
