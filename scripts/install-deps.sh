#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, from Debian's packages.
# Set QUILLET_SKIP_INSTALL=1 to skip (a machine that already has them).
#   install-deps.sh            everything
#   install-deps.sh GROUP...   only those groups: build (the compiler, Qt and
#                              the libraries, the locale), sanitizer (clang
#                              and its sanitizer runtime), browser (Chromium,
#                              which renders the HTML report in a test)
set -euo pipefail

[ "${QUILLET_SKIP_INSTALL:-0}" = 1 ] && exit 0

build_packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev qt6-translations-l10n
  clang-format
  locales
  desktop-file-utils appstream
  file dpkg-dev
)
sanitizer_packages=(clang libclang-rt-14-dev)
browser_packages=(chromium)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build sanitizer browser)
packages=()
for g in "${groups[@]}"; do
  case $g in
    build) packages+=("${build_packages[@]}") ;;
    sanitizer) packages+=("${sanitizer_packages[@]}") ;;
    browser) packages+=("${browser_packages[@]}") ;;
    *) echo "install-deps: no group '$g' (build, sanitizer, browser)" >&2; exit 2 ;;
  esac
done

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
  # The package lists are fetched once per hour at most.
  stamp=${TMPDIR:-/tmp}/quillet-apt-updated
  if [ -z "$(find "$stamp" -mmin -60 2>/dev/null)" ]; then
    $sudo apt-get update -qq
    touch "$stamp"
  fi
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A locale with a comma decimal separator, so the tests can prove the
# program's number texts do not depend on the machine's locale.
if [[ " ${groups[*]} " == *" build "* ]] && ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 || echo "install-deps: could not make ru_RU.UTF-8 (locale test will skip)"
fi
