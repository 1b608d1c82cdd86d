#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need.
# Idempotent: packages already present are skipped, and the package lists are
# refreshed only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  libgtest-dev libgmock-dev
  firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libzip-dev libexpat1-dev
  libxlsxwriter-dev libpugixml-dev libsimpleini-dev libicu-dev libcli11-dev libfmt-dev
  fonts-noto-cjk xvfb xauth imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
