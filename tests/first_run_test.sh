#!/usr/bin/env bash
# A first run on a machine without GoogleTest (nor pybind11), simulated by
# hiding them (CMAKE_DISABLE_FIND_PACKAGE_GTest=ON), with the presets of the
# README's two commands in temporary build folders: the demo's configure step says in one
# line that the tests are off and which package to install, and the demo
# builds and gives its verdict, and cmake --install works right after it; the
# test workflow's configure step stops with a one-line hint naming the package.
#
# Usage: first_run_test.sh SOURCE_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/mvfirstrun.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$source"
# Neither GoogleTest nor pybind11 (the Python module's): the fewest packages.
hide=-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
hide_pybind11=-DCMAKE_DISABLE_FIND_PACKAGE_pybind11=ON

fail() { echo "FAIL: $1"; cat "$2"; exit 1; }

if cmake --preset default -B "$work/test" "$hide" > "$work/test.log" 2>&1; then
  fail "the test preset configured without GoogleTest" "$work/test.log"
fi
grep -qx "  The tests need GoogleTest: apt-get install libgtest-dev" "$work/test.log" ||
  fail "no one-line hint from the test preset" "$work/test.log"
echo "ok: the test preset stops: $(grep 'apt-get' "$work/test.log" | sed 's/^ *//')"

# Unoptimised, as the build is what takes time here, not what it builds.
cmake --preset demo -B "$work/demo" "$hide" "$hide_pybind11" -DCMAKE_BUILD_TYPE=Debug \
  > "$work/demo.log" 2>&1 ||
  fail "the demo preset did not configure" "$work/demo.log"
[ "$(grep -c 'Tests are off: GoogleTest not found (Debian: apt-get install libgtest-dev)' "$work/demo.log")" = 1 ] ||
  fail "no one-line notice from the demo preset" "$work/demo.log"
cmake --build "$work/demo" --target demo --parallel > "$work/build.log" 2>&1 ||
  fail "the demo did not build and run" "$work/build.log"
grep -q "Round trip (merge, then split): every camera identical." "$work/build.log" ||
  fail "no verdict from the demo" "$work/build.log"
echo "ok: the demo runs without GoogleTest and gives its verdict"

cmake --install "$work/demo" --prefix "$work/installed" > "$work/install.log" 2>&1 ||
  fail "cmake --install failed after the demo" "$work/install.log"
for file in bin/mvweave bin/mvunweave share/man/man1/mvweave.1.gz share/man/man1/mvunweave.1.gz \
    share/doc/mvweave/changelog.Debian.gz share/doc/mvweave/examples/merge.cfg; do
  [ -f "$work/installed/$file" ] || fail "$file not installed after the demo" "$work/install.log"
done
echo "ok: cmake --install right after the demo installs the programs and documents"
