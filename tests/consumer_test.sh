#!/usr/bin/env bash
# Installs the build into a temporary folder and builds a small program
# against the installed CMake package (find_package(mvweave CONFIG)), as
# another project would, then runs it.
#
# Usage: consumer_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/mvconsumer.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/installed" > /dev/null
cmake -S "$source_dir/tests/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/installed" \
  -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$work/build" > /dev/null
cd "$work"
printf 'c0f00000000\nc0f00000001\nc0f00000002\n' > cam0.yuv
printf 'c1f00000000\nc1f00000001\nc1f00000002\n' > cam1.yuv
"$work/build/consumer" cam0.yuv cam1.yuv out.yuv
expected=$'c0f00000000\nc1f00000000\nc0f00000001\nc0f00000002\nc1f00000001\nc1f00000002'
[ "$(cat out.yuv)" = "$expected" ] || { echo "FAIL: the consumer wrote otherwise"; exit 1; }
echo "passed"
