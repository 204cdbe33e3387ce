#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run, test and benchmark.
# Idempotent: packages already present are skipped, so a second run costs one dpkg query.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins libgif-dev zlib1g-dev nettle-dev libglib2.0-dev libglib2.0-bin
  libzxing-dev libgtest-dev libbenchmark-dev libqrencode-dev zint
  fonts-noto-cjk xvfb xauth imagemagick librsvg2-bin qt6-svg-dev
  zbar-tools python3-vobject python3-segno qrencode python3-opencv ghostscript poppler-utils strace parallel
  qt6-translations-l10n help2man desktop-file-utils appstream dpkg-dev file python3-fonttools lintian
  python3-xlib nodejs
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Debian's nodejs comes without npm; other nodejs builds bring their own.
if ! command -v npm >/dev/null 2>&1; then missing+=(npm); fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A test-only reader for rMQR, which Debian's zxing-cpp 1.4 predates: zxing-cpp 2 compiled to
# WebAssembly, pinned, kept in the checkout's build folder. The tests load it offline; without
# it they say so and skip, and the symbols are still checked module for module against zint.
readers="$(cd "$(dirname "$0")/.." && pwd)/build/test-readers"
if [ ! -f "$readers/node_modules/zxing-wasm/package.json" ]; then
  mkdir -p "$readers"
  npm install --prefix "$readers" --no-audit --no-fund --no-save zxing-wasm@3.1.8 >&2 ||
    echo "warning: zxing-wasm was not installed; the rMQR reading tests will be skipped" >&2
fi
