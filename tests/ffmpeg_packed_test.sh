#!/usr/bin/env bash
# Interoperability with ffmpeg, packed sequences: 2, 3 and 4 cameras made by
# ffmpeg in 4:2:0 8-bit, 4:2:2 10-bit and 4:4:4 are merged side by side, top
# and bottom and, four of them, in a 2x2 grid, raw and Y4M. Each packed
# sequence must be, byte for byte, what ffmpeg's hstack, vstack and xstack
# (layout 0_0|w0_0|0_h0|w0_h0) make of the same frames of the cameras: the
# raw file as it is, the Y4M file as ffmpeg decodes it, its header giving
# the packed size and recording the grid. ffmpeg's crop of each tile of the
# raw sequence must be its camera's frames, where the listing (--layout)
# places them. The split of ffmpeg's stack (raw: the configuration gives
# layout and packing) and of the tool's Y4M sequence (only paths: its record
# gives the rest) must give each camera's frames back. The layouts start at
# FirstFrm 0, 1 and 2, and one split skips a picture. Last,
# examples/verify_with_ffmpeg.sh must verify packed sequences and name a
# wrong tile. Skipped (status 77) when ffmpeg is missing.
#
# Usage: ffmpeg_packed_test.sh BIN_DIR
set -euo pipefail
# shellcheck source=tests/interop_helpers.sh
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/interop_helpers.sh"
examples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../examples" && pwd)
start_in_work_folder "$1"

# Up to four cameras of seven frames each.
cameras=4
frames=7
failed=0
fail() { echo "FAIL $*"; failed=1; }

# pixel format, one camera's size, ChromaFormat, BitDepth. The halved
# chroma planes are of an odd width (19 and 323 samples; 13 high in 4:2:0),
# unlike the luma plane; 4:4:4 may be odd, and is. The 4:2:2 pictures are
# large enough that, side by side, a plane moves in several bands of rows,
# the last one shorter.
formats=(
  "yuv420p 38x26 420 8"
  "yuv422p10le 646x362 422 10"
  "yuv444p 37x25 444 8"
)
# cameras, then the merge's FirstFrm, GOPLength, NumGOP and NumFrm, then
# the pictures the split of the raw sequence skips (its FirstFrm).
layouts=(
  "2 0 2 1 0 0"  # frames 0 to 2
  "3 2 2 1 5 1"  # frames 2 to 6; the split gives 3 to 6
  "4 1 2 2 0 0"  # frames 1 to 5
)

# frames_of FILE FRAME_BYTES FIRST COUNT: frames FIRST to FIRST + COUNT - 1
# of a raw file.
frames_of() { dd if="$1" bs="$2" skip="$3" count="$4" status=none; }

# same EXPECTED_FILE FRAME_BYTES FIRST COUNT ACTUAL_FILE: whether the
# actual file holds those frames of the expected one, byte for byte.
same() { cmp -s <(frames_of "$1" "$2" "$3" "$4") "$5"; }

# cameras_differ WHAT EXPECTED_PATTERN FIRST COUNT ACTUAL_PATTERN: the same
# for each camera c, its files the patterns with c for %d; one failure
# naming WHAT and the cameras that differ.
cameras_differ() {
  local c differ=()
  for ((c = 0; c < n; c++)); do
    # shellcheck disable=SC2059  # the patterns are printf formats on purpose
    same "$(printf "$2" "$c")" "$frame_bytes" "$3" "$4" "$(printf "$5" "$c")" || differ+=("$c")
  done
  [ ${#differ[@]} = 0 ] || fail "$what, $1: cameras ${differ[*]}"
}

# grid_of PACKING CAMERAS: columns and rows.
grid_of() {
  case $1 in
    side-by-side) echo "$2 1" ;;
    top-bottom) echo "1 $2" ;;
    *) echo "${1%x*} ${1#*x}" ;;
  esac
}

# ffmpeg's stacking filter for a packing of CAMERAS.
stack_filter() {
  case $1 in
    side-by-side) echo "hstack=inputs=$2" ;;
    top-bottom) echo "vstack=inputs=$2" ;;
    2x2) echo "xstack=inputs=4:layout=0_0|w0_0|0_h0|w0_h0" ;;
  esac
}

# read_back FILE OUTPUT FILTER [INPUT_OPTION]...: one more input and output
# of ffmpeg's read-back run (read_inputs, read_outputs, read_count): FILE,
# read with the options, through the filter, written raw to OUTPUT; nothing
# for a file a tool did not write.
read_back() {
  local file=$1 output=$2 filter=$3
  shift 3
  [ -f "$file" ] || return 0
  read_inputs+=("$@" -i "$file")
  read_outputs+=(-map "$read_count" -vf "$filter" -f rawvideo "$output")
  read_count=$((read_count + 1))
}

# config FILE LINES...: a configuration file, a line an argument.
config() { local file=$1; shift; printf '%s\n' "$@" > "$file"; }

for format in "${formats[@]}"; do
  read -r pix_fmt size chroma depth <<< "$format"
  width=${size%x*} height=${size#*x}
  rm -f ./*
  make_cameras "$pix_fmt" "$size" rawvideo yuv
  # The Y4M cameras hold the raw cameras' bytes.
  to_y4m=()
  for ((c = 0; c < cameras; c++)); do
    to_y4m+=(-f rawvideo -pix_fmt "$pix_fmt" -s "$size" -i "cam$c.yuv")
  done
  for ((c = 0; c < cameras; c++)); do
    to_y4m+=(-map "$c" -strict -1 -f yuv4mpegpipe "cam$c.y4m")
  done
  ffmpeg -v error -y "${to_y4m[@]}"
  frame_bytes=$(($(stat -c %s cam0.yuv) / frames))
  picture_format=("Width = $width" "Height = $height" "ChromaFormat = $chroma" "BitDepth = $depth")

  for entry in "${layouts[@]}"; do
    read -r n first gop gops numfrm skipped <<< "$entry"
    taken=$((1 + gop * gops > numfrm ? 1 + gop * gops : numfrm))
    packings=(side-by-side top-bottom)
    [ "$n" = 4 ] && packings+=(2x2)
    what="$pix_fmt $size, $n cameras"
    find . -maxdepth 1 -type f ! -name "cam*" -delete  # all but the cameras

    # ffmpeg's stacks of all frames of the n cameras, one output a packing.
    stack=() graph=""
    for ((c = 0; c < n; c++)); do
      stack+=(-f rawvideo -pix_fmt "$pix_fmt" -s "$size" -i "cam$c.yuv")
      graph+="[$c:v]split=${#packings[@]}"
      for p in "${!packings[@]}"; do graph+="[s${p}_$c]"; done
      graph+=";"
    done
    for p in "${!packings[@]}"; do
      for ((c = 0; c < n; c++)); do graph+="[s${p}_$c]"; done
      graph+="$(stack_filter "${packings[$p]}" "$n")[out$p];"
      stack+=(-map "[out$p]" -f rawvideo "ffmpeg_${packings[$p]}.yuv")
    done
    ffmpeg -v error -y -filter_complex "${graph%;}" "${stack[@]}"

    # The tools: raw and Y4M, merged and split; ffmpeg reads the results
    # back in one run: the raw sequence's tiles cropped, the Y4M files
    # decoded into raw ones.
    read_inputs=() read_outputs=() read_count=0
    for packing in "${packings[@]}"; do
      read -r columns rows <<< "$(grid_of "$packing" "$n")"
      layout=("FirstFrm = $first" "GOPLength = $gop" "NumGOP = $gops" "NumFrm = $numfrm"
              "Packing = $packing")
      inputs=() y4m_inputs=() backs=() y4m_backs=()
      for ((c = 0; c < n; c++)); do
        inputs+=("Input = \"cam$c.yuv\"")
        y4m_inputs+=("Input = \"cam$c.y4m\"")
        backs+=("Output = \"${packing}_back$c.yuv\"")
        y4m_backs+=("Output = \"${packing}_back$c.y4m\"")
      done
      config "merge_$packing.cfg" "${inputs[@]}" "Output = \"$packing.yuv\"" "${layout[@]}" \
        "${picture_format[@]}"
      config "merge_$packing.y4m.cfg" "${y4m_inputs[@]}" "Output = \"$packing.y4m\"" "${layout[@]}"
      # The raw split takes ffmpeg's stack of the frames the merge took.
      frames_of "ffmpeg_$packing.yuv" $((n * frame_bytes)) "$first" "$taken" > "taken_$packing.yuv"
      config "split_$packing.cfg" "Input = \"taken_$packing.yuv\"" "${backs[@]}" \
        "FirstFrm = $skipped" "GOPLength = $gop" "NumGOP = $gops" "NumFrm = $((taken - skipped))" \
        "Packing = $packing" "${picture_format[@]}"
      config "split_$packing.y4m.cfg" "Input = \"$packing.y4m\"" "${y4m_backs[@]}"
      for run in "mvweave merge_$packing.cfg" "mvweave merge_$packing.y4m.cfg" \
                 "mvunweave split_$packing.cfg" "mvunweave split_$packing.y4m.cfg"; do
        completed "$bin/${run% *}" "./${run#* }" || fail "$what, $packing: $run did not complete"
      done

      # The listing: picture k holds frame first + k of every camera, the
      # cameras row by row.
      for ((k = 0; k < taken; k++)); do
        for ((c = 0; c < n; c++)); do
          echo "$k,$c,$((first + k)),$((c % columns * width)),$(((c / columns) * height))"
        done
      done > "listing_$packing.expected"
      "$bin/mvweave" --layout "./merge_$packing.cfg" | tail -n +2 > "listing_$packing.csv" || true
      cmp -s "listing_$packing.expected" "listing_$packing.csv" ||
        fail "$what, $packing: the listing places the cameras elsewhere"

      header=$(head -n 1 "$packing.y4m" 2> /dev/null || true)
      [[ $header == *" W$((columns * width)) H$((rows * height)) "* &&
         $header =~ \ XMVWEAVE=1,[^\ ]*,P${columns}x${rows}(\ |$) ]] ||
        fail "$what, $packing: the Y4M header is $header"

      raw=(-f rawvideo -pix_fmt "$pix_fmt" -s "$((columns * width))x$((rows * height))")
      for ((c = 0; c < n; c++)); do
        read_back "$packing.yuv" "${packing}_tile$c.yuv" \
          "crop=$width:$height:$((c % columns * width)):$(((c / columns) * height))" "${raw[@]}"
        read_back "${packing}_back$c.y4m" "${packing}_back${c}_y4m.yuv" null
      done
      read_back "$packing.y4m" "${packing}_y4m.yuv" null
    done
    if ! ffmpeg -v error -y "${read_inputs[@]}" "${read_outputs[@]}"; then
      fail "$what: ffmpeg could not read the tools' files back"
      continue
    fi

    for packing in "${packings[@]}"; do
      filter=$(stack_filter "$packing" "$n")
      same "ffmpeg_$packing.yuv" $((n * frame_bytes)) "$first" "$taken" "$packing.yuv" ||
        fail "$what: raw $packing is not ffmpeg's ${filter%%=*}"
      same "ffmpeg_$packing.yuv" $((n * frame_bytes)) "$first" "$taken" "${packing}_y4m.yuv" ||
        fail "$what: Y4M $packing, decoded, is not ffmpeg's ${filter%%=*}"
      cameras_differ "$packing: ffmpeg's crop of the tile is not the camera's frames" \
        cam%d.yuv "$first" "$taken" "${packing}_tile%d.yuv"
      cameras_differ "$packing split from ffmpeg's ${filter%%=*}: not the camera's frames" \
        cam%d.yuv $((first + skipped)) $((taken - skipped)) "${packing}_back%d.yuv"
      cameras_differ "$packing split from the Y4M sequence: not the camera's frames" \
        cam%d.yuv "$first" "$taken" "${packing}_back%d_y4m.yuv"
    done
    [ $failed = 0 ] && echo "ok: $what, frames $first to $((first + taken - 1)):" \
      "${packings[*]} as ffmpeg stacks them, raw and Y4M, tiles cropped, cameras split back"
  done
done

# examples/verify_with_ffmpeg.sh on the 2x2 grids of the last format, four
# cameras of 37x25 from frame 1: the raw one verified as the tool wrote it,
# and one tile of it named once written over; the Y4M one with the split's
# paths alone, its packing from the record; a configuration that packs
# otherwise than the record named.
verify() { MVWEAVE_BIN=$bin sh "$examples/verify_with_ffmpeg.sh" "$@" > verdict.txt 2>&1; }
verified="verified: the 20 tiles of the 5 pictures of 2x2.yuv are their cameras' frames, in their places"
if ! verify ./merge_2x2.cfg || [ "$(tail -n 1 verdict.txt)" != "$verified" ]; then
  fail "verify_with_ffmpeg.sh: a right 2x2 grid: $(cat verdict.txt)"
fi
if ! verify -u ./split_2x2.y4m.cfg || [ "$(tail -n 1 verdict.txt)" != "${verified//2x2.yuv/2x2.y4m}" ]; then
  fail "verify_with_ffmpeg.sh: a recorded 2x2 grid with paths alone: $(cat verdict.txt)"
fi
# The first row of camera 3's tile (37,25) in picture 1 (frame 2).
printf 'XXXX' | dd of=2x2.yuv bs=1 seek=$((4 * frame_bytes + 25 * 2 * 37 + 37)) conv=notrunc status=none
if verify ./merge_2x2.cfg ||
   [ "$(cat verdict.txt)" != "picture 1: the tile at 37,25 is not frame 2 of camera 3 (cam3.yuv)
FAILED: 1 of 20 tiles of 2x2.yuv are not their cameras' frames" ]; then
  fail "verify_with_ffmpeg.sh: a tile written over: $(cat verdict.txt)"
fi
echo "Packing = side-by-side" > side-by-side.cfg
if verify ./merge_2x2.y4m.cfg ./side-by-side.cfg ||
   ! grep -q "2x2.y4m was written with Packing 2x2; the configuration says side-by-side" verdict.txt; then
  fail "verify_with_ffmpeg.sh: a configuration against the recorded grid: $(cat verdict.txt)"
fi
# Top and bottom, 4:2:0 of an odd width: the chroma tiles are 19 samples
# wide, which ffmpeg's crop rounds down unless told to crop exactly.
cameras=2 frames=3 make_cameras yuv420p 37x26 rawvideo yuv
config odd.cfg 'Input = "cam0.yuv"' 'Input = "cam1.yuv"' 'Output = "odd.yuv"' \
  'Width = 37' 'Height = 26' 'ChromaFormat = 420' 'GOPLength = 1' 'NumGOP = 2' \
  'Packing = top-bottom'
if ! completed "$bin/mvweave" ./odd.cfg || ! verify ./odd.cfg; then
  fail "verify_with_ffmpeg.sh: top and bottom of an odd width: $(cat verdict.txt)"
fi
[ $failed = 0 ] && echo "ok: verify_with_ffmpeg.sh verifies packed grids, raw and recorded," \
  "and top and bottom of an odd width, names a tile written over and a packing against the record"
exit $failed
