#!/usr/bin/env bash
# scripts/screenshots.sh DIR: pictures of the main window without a display.
# Builds the program, makes the seven demo instruments in a temporary
# directory, starts the window over them offscreen, runs one logged backtest
# of the first pair, a sweep and a walk-forward analysis of it, and writes
# one PNG per page into DIR:
#   1-all-pairs.png  2-single-pair.png  3-quotes.png  4-work-log.png  5-trades.png
#   6-optimisation.png  7-trade-candles.png, and the trade page of a run of
#   EURUSD with costs: 8-trades-costs.png, its Monte Carlo: 10-monte-carlo.png;
#   then 11-walkforward-first-size.png and, larger, 9-walkforward.png
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: scripts/screenshots.sh DIR" >&2
  exit 2
fi
out=$(realpath -m "$1")
cd "$(dirname "$0")/.."

build=${QUILLET_BUILD_DIR:-build}
scripts/configure.sh "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target quillet-cli quillet-screenshots

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
"$build/cli/quillet-cli" demo-data "$data" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/app/quillet-screenshots" "$data" "$out"
