#!/usr/bin/env bash
# Builds the DEB package and runs lintian on it: no errors and no warnings,
# but for the maintainer's address (a cache variable, MVWEAVE_PACKAGE_MAINTAINER,
# whose default is a placeholder). Skipped (status 77) without lintian.
#
# Usage: lintian_test.sh BUILD_DIR
set -euo pipefail
command -v lintian > /dev/null || {
  echo "skipped: lintian not found (Debian: apt-get install lintian)"
  exit 77
}
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/mvlintian.XXXXXX")
trap 'rm -rf "$work"' EXIT

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
report=$(lintian --pedantic --display-info "$work"/*.deb 2>&1 || true)
echo "$report"
findings=$(grep -E '^[EW]: ' <<< "$report" | grep -v -i -E 'maintainer|mail-host' || true)
if [ -n "$findings" ]; then
  echo "FAIL: lintian errors or warnings:"
  echo "$findings"
  exit 1
fi
echo "ok: lintian finds no errors and no warnings in $(basename "$work"/*.deb)"
