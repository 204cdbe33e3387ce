#!/usr/bin/env bash
# check-debian-package.sh CPACK CPACK_CONFIG SCRATCH_DIR METAINFO_NAME
# Builds the Debian package with CPack, checks what it holds and what it depends on, unpacks it
# into a scratch root and runs the unpacked programs.
set -uo pipefail
cpack=$1
config=$2
scratch=$3
metainfo=$4

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
if ! "$cpack" -G DEB --config "$config" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
shopt -s nullglob
debs=("$scratch"/quorlik_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one quorlik_*.deb, found ${debs[*]}"; exit 1; }
deb=${debs[0]}

# --contents lists "mode owner size date time ./path".
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
expected=(
  ./usr/bin/quorlik ./usr/bin/quorlik-qr ./usr/libexec/quorlik/quorlik-qr-full
  ./usr/share/doc/quorlik/copyright ./usr/share/doc/quorlik/changelog.gz
  ./usr/share/man/man1/quorlik.1.gz ./usr/share/man/man1/quorlik-qr.1.gz
  ./usr/share/applications/quorlik.desktop "./usr/share/metainfo/$metainfo"
  ./usr/share/icons/hicolor/scalable/apps/quorlik.svg
)
for size in 16 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/quorlik.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "$path is not in the package"
done

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = quorlik ] || fail "package name is '$(field Package)'"
depends=$(field Depends)
# Data and plugins loaded at run time, and libraries found by dpkg-shlibdeps.
for package in fonts-noto-cjk qt6-image-formats-plugins qt6-qpa-plugins qt6-translations-l10n \
  libqt6widgets6 libqt6svg6 libc6; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -qE '(^|, )qt6-wayland( |,|$)' <<<"$(field Recommends)" || fail "qt6-wayland not recommended"

root=$scratch/root
dpkg -x "$deb" "$root" || exit 1
out=$("$root/usr/bin/quorlik-qr" --version 2>&1) || fail "quorlik-qr --version exited $?: $out"
[[ $out == "quorlik-qr "[0-9]* ]] || fail "quorlik-qr --version printed: $out"
# The core answers PNG itself and hands BMP to the full program found beside it.
(cd "$scratch" && "$root/usr/bin/quorlik-qr" -o core.png hello && "$root/usr/bin/quorlik-qr" -o full.bmp hello) ||
  fail "the unpacked quorlik-qr could not write PNG and BMP"
[[ $(head -c 4 "$scratch/core.png" | od -An -c | tr -d ' ') == 211PNG ]] || fail "core.png is no PNG"
[[ $(head -c 2 "$scratch/full.bmp") == BM ]] || fail "full.bmp is no BMP"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/quorlik" --version 2>&1) ||
  fail "quorlik --version exited $?: $out"
zcat "$root/usr/share/man/man1/quorlik-qr.1.gz" | grep -q '^\.TH QUORLIK-QR "1"' ||
  fail "quorlik-qr.1.gz is not a manual page of section 1"
# lintian, where installed, finds no error in the package.
if command -v lintian >/dev/null; then
  errors=$(lintian --allow-root "$deb" 2>&1 | grep '^E:')
  [ -z "$errors" ] || fail "lintian: $errors"
fi
exit "$failed"
