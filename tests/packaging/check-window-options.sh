#!/usr/bin/env bash
# check-window-options.sh QUORLIK VERSION
# The window program's own options answer without a display, and other arguments are refused.
set -uo pipefail
quorlik=$1
version=$2
failed=0

fail() {
  echo "FAIL: $*"
  failed=1
}

# No display and no platform chosen: were a window opened, Qt would abort here.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$quorlik" "$@"; }

out=$(headless --version 2>&1) || fail "--version exited $?"
[ "$out" = "quorlik $version" ] || fail "--version printed '$out'"

out=$(headless --help 2>&1) || fail "--help exited $?"
grep -q '^Usage: .*quorlik \[options\]$' <<<"$out" || fail "--help has no usage line: $out"
grep -q -- '--version' <<<"$out" || fail "--help does not list --version"

# Bad usage exits 2 with a message before the window would open.
for bad in --no-such-option stray-argument; do
  out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$quorlik" "$bad" 2>&1)
  status=$?
  [ "$status" -eq 2 ] || fail "'$bad' exited $status"
  grep -q "quorlik: .*${bad#--}" <<<"$out" || fail "'$bad' gave no message: $out"
done
# ... also without a display: the arguments are refused before any window system is touched.
for bad in --no-such-option stray-argument; do
  out=$(headless "$bad" 2>&1)
  status=$?
  [ "$status" -eq 2 ] || fail "'$bad' without a display exited $status"
  grep -q "quorlik: .*${bad#--}" <<<"$out" || fail "'$bad' without a display gave no message: $out"
done
exit "$failed"
