#!/usr/bin/env bash
# Interoperability with ffmpeg, raw cameras: cameras made by ffmpeg in each
# pixel format are merged with the matching ChromaFormat and BitDepth; the
# frames of the interleaved file, as ffmpeg reads them (-f framemd5), must be
# the camera frames in layout order, and the split must give every camera
# file back byte for byte; examples/verify_with_ffmpeg.sh must verify a
# right merge and name two swapped frames. Skipped (status 77) when ffmpeg
# is missing.
#
# Usage: ffmpeg_raw_test.sh BIN_DIR
set -euo pipefail
# shellcheck source=tests/interop_helpers.sh
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/interop_helpers.sh"
examples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../examples" && pwd)
start_in_work_folder "$1"

# pixel format, size, ChromaFormat, BitDepth
formats=(
  "yuv420p 175x143 420 8"
  "yuv420p10le 352x288 420 10"
  "yuv422p 352x288 422 8"
  "yuv444p 352x288 444 8"
  "gray 352x288 400 8"
)
failed=0
for entry in "${formats[@]}"; do
  read -r pix_fmt size chroma depth <<< "$entry"
  rm -f ./*.yuv ./*.cfg ./*.md5
  make_cameras "$pix_fmt" "$size" rawvideo yuv
  write_configs yuv multiview.yuv "cam%d_back.yuv" "Width = ${size%x*}
Height = ${size#*x}
ChromaFormat = $chroma
BitDepth = $depth"
  if ! completed "$bin/mvweave" ./merge.cfg || ! completed "$bin/mvunweave" ./split.cfg; then
    echo "FAIL $pix_fmt: a tool did not complete"
    failed=1
    continue
  fi
  md5_files -f rawvideo -pix_fmt "$pix_fmt" -s "$size" -- cam0.yuv cam1.yuv cam2.yuv multiview.yuv
  if ! diff <(layout_order yuv) multiview.yuv.md5 > /dev/null; then
    echo "FAIL $pix_fmt $size: the interleaved frames are not the camera frames in layout order"
    failed=1
  fi
  for ((c = 0; c < cameras; c++)); do
    cmp -s "cam$c.yuv" "cam${c}_back.yuv" || { echo "FAIL $pix_fmt: camera $c differs after the split"; failed=1; }
  done
  [ $failed = 0 ] && echo "ok: $pix_fmt $size, $((cameras * frames)) frames in layout order, cameras back"
done

# examples/verify_with_ffmpeg.sh on the merge of the last format: right as
# the tool wrote it, and wrong in the two frames swapped after.
verify() { MVWEAVE_BIN=$bin sh "$examples/verify_with_ffmpeg.sh" ./merge.cfg > verdict.txt; }
if ! verify || [ "$(tail -n 1 verdict.txt)" != "verified: the 30 frames of multiview.yuv are their cameras' frames, in layout order" ]; then
  echo "FAIL verify_with_ffmpeg.sh: a right merge is not verified"; cat verdict.txt; failed=1
fi
frame=$((352 * 288))
cp multiview.yuv right.yuv
dd if=right.yuv of=multiview.yuv bs=$frame skip=4 seek=9 count=1 conv=notrunc status=none
dd if=right.yuv of=multiview.yuv bs=$frame skip=9 seek=4 count=1 conv=notrunc status=none
if verify || [ "$(grep -c '^index [49]: not frame' verdict.txt)" != 2 ] ||
   [ "$(tail -n 1 verdict.txt)" != "FAILED: 2 of 30 frames of multiview.yuv are not their cameras' frames" ]; then
  echo "FAIL verify_with_ffmpeg.sh: two swapped frames are not named"; cat verdict.txt; failed=1
fi
[ $failed = 0 ] && echo "ok: verify_with_ffmpeg.sh verifies a right merge and names two swapped frames"
exit $failed
