#!/usr/bin/env bash
# Configures the build folder that the run command, the test command and the
# other scripts share, always in the one way, so that each reuses what
# another built instead of rebuilding for a build type of its own:
# optimised, without debug information (which would only slow the compile).
#   configure.sh [DIR] [CMAKE OPTION...]   DIR defaults to $QUILLET_BUILD_DIR or build
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-${QUILLET_BUILD_DIR:-build}}
shift || true
exec cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQUILLET_BUILD_UI=ON "$@"
