#!/usr/bin/env bash
# Builds the Debian package of the window and quillet-cli with CPack:
# build-deb/quillet-tester_VERSION_ARCH.deb. Its dependencies come from
# dpkg-shlibdeps. Install it with: apt-get install ./build-deb/quillet-tester_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${QUILLET_DEB_BUILD_DIR:-build-deb}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILLET_BUILD_UI=ON -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
echo "make-deb: $(ls "$build"/*.deb)"
