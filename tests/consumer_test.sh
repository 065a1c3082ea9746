#!/usr/bin/env bash
# Installs the build into a temporary folder and builds the installed
# library example (share/doc/mvweave/examples/library) against the installed
# CMake package alone, as another project would; then merges two cameras of
# 4:2:2 10-bit pictures with it, a format set in code, and checks the bytes.
#
# Usage: consumer_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/mvconsumer.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/installed" > /dev/null
example="$work/installed/share/doc/mvweave/examples/library"
cmake -S "$example" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/installed" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > /dev/null
cmake --build "$work/build" > /dev/null
if grep -q -F "$source_dir" "$work/build/compile_commands.json"; then
  echo "FAIL: the example was compiled with the source tree's headers"
  exit 1
fi

# Frames of 4x2 4:2:2 10-bit pictures: 8 luma and twice 2x2 chroma samples
# of two bytes, 32 bytes; each a line that names its camera and frame.
frame() { printf 'c%sf%s%027d\n' "$1" "$2" 0; }
cd "$work"
{ frame 0 0; frame 0 1; frame 0 2; } > cam0.yuv
{ frame 1 0; frame 1 1; frame 1 2; } > cam1.yuv
"$work/build/merge_cameras" 4 2 out.yuv cam0.yuv cam1.yuv > said.txt
{ frame 0 0; frame 1 0; frame 0 1; frame 0 2; frame 1 1; frame 1 2; } > expected.yuv
cmp out.yuv expected.yuv || { echo "FAIL: the example wrote otherwise"; exit 1; }
[ "$(cat said.txt)" = "camera 0, frame 2: frame 3 of out.yuv" ] ||
  { echo "FAIL: the example said: $(cat said.txt)"; exit 1; }
echo "passed"
