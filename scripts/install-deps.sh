#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Idempotent: packages already present are skipped, so a second run costs one dpkg query.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins libgif-dev zlib1g-dev libglib2.0-dev libglib2.0-bin
  libzxing-dev libgtest-dev libbenchmark-dev libqrencode-dev zint
  fonts-noto-cjk xvfb xauth imagemagick librsvg2-bin qt6-svg-dev
  zbar-tools python3-vobject python3-segno qrencode python3-opencv ghostscript poppler-utils strace parallel
  qt6-translations-l10n help2man desktop-file-utils appstream dpkg-dev file python3-fonttools lintian
  python3-xlib
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
