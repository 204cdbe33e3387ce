#!/usr/bin/env bash
# validate-metadata.sh DESKTOP_FILE METAINFO_FILE
# The desktop entry and the AppStream data as software centres read them: any warning fails,
# not only errors. Exit 77 (skipped) when a validator is not installed.
set -euo pipefail
desktop=$1
metainfo=$2

for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool not installed: skipped"
    exit 77
  fi
done

failed=0
# desktop-file-validate exits 0 on warnings and hints: any line it prints is a finding.
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
  printf 'desktop-file-validate %s:\n%s\n' "$desktop" "$out"
  failed=1
fi
# Infos are advice (such as the placeholder domain of the identifier); warnings and errors fail.
if ! out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) ||
  grep -qE '^[WE]:' <<<"$out"; then
  printf 'appstreamcli validate %s:\n%s\n' "$metainfo" "$out"
  failed=1
fi
exit "$failed"
