#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's packages.
# Set QUILLET_SKIP_INSTALL=1 to skip (a machine that already has them).
set -euo pipefail

[ "${QUILLET_SKIP_INSTALL:-0}" = 1 ] && exit 0

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  clang libclang-rt-14-dev clang-format
  locales
  desktop-file-utils appstream
  file dpkg-dev
)

sudo=""
if [ "$(id -u)" != 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  sudo=sudo
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A locale with a comma decimal separator, so the tests can prove the
# program's number texts do not depend on the machine's locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 || echo "install-deps: could not make ru_RU.UTF-8 (locale test will skip)"
fi
