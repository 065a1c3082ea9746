#!/usr/bin/env bash
# Interoperability with ffmpeg, Y4M: Y4M cameras made by ffmpeg are merged,
# with no picture keys in the configuration, into a raw file and into a
# .y4m file; ffmpeg must read from both the camera frames in layout order.
# The .y4m file records its layout, which ffmpeg passes over, and, split
# into .y4m cameras with only paths configured, must give ffmpeg the
# original frames; a Y4M camera straight from ffmpeg through a pipe, from
# frame 3 on, must give its frames 3 to 9; verify_with_ffmpeg.sh names a
# configuration that disagrees with the record. Last, the streaming
# walk-through of docs/reference.md with the example configurations.
# Skipped (status 77) when ffmpeg is missing.
#
# Usage: ffmpeg_y4m_test.sh BIN_DIR
set -euo pipefail
# shellcheck source=tests/interop_helpers.sh
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/interop_helpers.sh"
examples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../examples" && pwd)
start_in_work_folder "$1"

failed=0
fail() { echo "FAIL $*"; failed=1; }

for entry in "yuv420p 175x143" "yuv420p10le 352x288" "yuv422p 352x288"; do
  read -r pix_fmt size <<< "$entry"
  rm -f ./*.yuv ./*.y4m ./*.cfg ./*.md5
  make_cameras "$pix_fmt" "$size" yuv4mpegpipe y4m
  write_configs y4m multiview.y4m "cam%d_back.y4m" ""
  sed 's/multiview.y4m/multiview.yuv/' merge.cfg > merge_raw.cfg
  completed "$bin/mvweave" ./merge_raw.cfg || { fail "$pix_fmt: merge into raw"; continue; }
  completed "$bin/mvweave" ./merge.cfg || { fail "$pix_fmt: merge into y4m"; continue; }
  # The split takes its layout from the record: its configuration names paths.
  grep -v -E 'GOPLength|NumGOP|NumFrm' split.cfg > split_paths.cfg
  completed "$bin/mvunweave" ./split_paths.cfg || { fail "$pix_fmt: split into y4m"; continue; }
  md5_files -- cam0.y4m cam1.y4m cam2.y4m cam0_back.y4m cam1_back.y4m cam2_back.y4m multiview.y4m
  md5_files -f rawvideo -pix_fmt "$pix_fmt" -s "$size" -- multiview.yuv
  layout_order y4m > expected.md5
  diff -q expected.md5 multiview.yuv.md5 > /dev/null || fail "$pix_fmt $size: raw interleaved file out of order"
  diff -q expected.md5 multiview.y4m.md5 > /dev/null || fail "$pix_fmt $size: y4m interleaved file out of order"
  # The .y4m file records its layout, and ffmpeg reads it frame for frame as
  # the raw file.
  [[ $(head -n 1 multiview.y4m) == *" XMVWEAVE=1,N3,L4,G2,F10"* ]] ||
    fail "$pix_fmt $size: no layout record in $(head -n 1 multiview.y4m)"
  diff -q multiview.yuv.md5 multiview.y4m.md5 > /dev/null ||
    fail "$pix_fmt $size: ffmpeg reads the recorded y4m file otherwise than the raw one"
  for ((c = 0; c < cameras; c++)); do
    diff -q "cam$c.y4m.md5" "cam${c}_back.y4m.md5" > /dev/null ||
      fail "$pix_fmt $size: camera $c split into y4m differs"
  done
  [ $failed = 0 ] && echo "ok: $pix_fmt $size, merged into raw and y4m, split into y4m cameras"
done

# verify_with_ffmpeg.sh verifies the recorded sequence of the last format,
# and names a configuration that disagrees with its record.
MVWEAVE_BIN=$bin sh "$examples/verify_with_ffmpeg.sh" -u ./split_paths.cfg > verdict.txt ||
  fail "verify: $(cat verdict.txt)"
printf 'GOPLength = 8\n' > gop8.cfg
if MVWEAVE_BIN=$bin sh "$examples/verify_with_ffmpeg.sh" ./merge.cfg ./gop8.cfg > verdict.txt 2>&1 ||
  ! grep -q "multiview.y4m was written with GOPLength 4; the configuration says 8" verdict.txt; then
  fail "verify: a configuration against the record: $(cat verdict.txt)"
fi

# A camera straight from ffmpeg through a pipe, from its frame 3 on.
rm -f ./*.yuv ./*.y4m ./*.cfg ./*.md5
make_cameras yuv420p 175x143 yuv4mpegpipe y4m
printf 'Input = "/dev/fd/3"\nOutput = "piped.yuv"\nFirstFrm = 3\nNumGOP = 0\nNumFrm = 7\n' > pipe.cfg
completed "$bin/mvweave" ./pipe.cfg 3< <(ffmpeg -v error -f lavfi -i "testsrc=size=175x143:rate=25" \
  -frames:v "$frames" -pix_fmt yuv420p -f yuv4mpegpipe -) || fail "pipe: merge"
frame_md5s -i cam0.y4m | sed -n '4,10p' > expected.md5
frame_md5s -f rawvideo -pix_fmt yuv420p -s 175x143 -i piped.yuv | diff -q expected.md5 - > /dev/null ||
  fail "pipe: frames 3 to 9 of the piped camera differ"
[ $failed = 0 ] && echo "ok: a Y4M camera through a pipe, from frame 3"

# The streaming walk-through of docs/reference.md with the example
# configurations: three decoders straight into mvweave through pipes, then
# the sequence split into .y4m cameras, each of which must hold its
# decoder's frames.
rm -f ./*.yuv ./*.y4m ./*.cfg ./*.md5
cp "$examples/merge_y4m_live.cfg" "$examples/split_y4m.cfg" .
decoder() {
  ffmpeg -v error -f lavfi -i "testsrc=size=176x144:rate=25,hue=h=$1" -frames:v 25 \
    -pix_fmt yuv420p -f yuv4mpegpipe -
}
completed "$bin/mvweave" ./merge_y4m_live.cfg 3< <(decoder 0) 4< <(decoder 120) 5< <(decoder 240) ||
  fail "walk-through: merge"
completed "$bin/mvunweave" ./split_y4m.cfg || fail "walk-through: split"
for ((c = 0; c < 3; c++)); do decoder $((c * 120)) > "expected$c.y4m"; done
md5_files -- expected0.y4m expected1.y4m expected2.y4m cam0.y4m cam1.y4m cam2.y4m
for ((c = 0; c < 3; c++)); do
  diff -q "expected$c.y4m.md5" "cam$c.y4m.md5" > /dev/null || fail "walk-through: camera $c differs"
done
[ $failed = 0 ] && echo "ok: the streaming walk-through with merge_y4m_live.cfg and split_y4m.cfg"
exit $failed
