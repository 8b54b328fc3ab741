#!/usr/bin/env bash
# Shared set-up: installs the Debian packages that are missing, generates the locales the
# tests use, configures and builds. Sourced by scripts/run and scripts/test.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev
  qt6-base-dev qt6-translations-l10n libgl-dev
  locales groff-base
  libxlsxwriter-dev
  qt6-svg-dev
  xvfb xdotool xauth x11-utils
  dbus-x11 at-spi2-core python3-pyatspi
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
  local missing=()
  for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${missing[@]}"
  fi
}

# The regional-format tests need real Spanish and US English locales, and a Japanese one
# whose forms use characters outside the reports' code page.
generate_test_locales() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: es_ES, en_US and ja_JP (UTF-8) are not generated; tests that need them skip."
    return
  fi
  for name in es_ES en_US ja_JP; do
    if ! locale -a 2>/dev/null | grep -qi "^${name}\.utf-\?8$"; then
      localedef -i "$name" -f UTF-8 "$name.UTF-8"
    fi
  done
}

configure_and_build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$BUILD_DIR" -j "$(nproc)"
}
