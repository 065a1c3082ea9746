#!/bin/sh
# Checks an interleaved multiview sequence against its camera files, frame
# by frame: ffmpeg's own checksum of every frame (-f framemd5) of every
# camera file and of the sequence, joined through the listing of the layout
# (mvweave --layout). Prints every frame that is not its camera's frame,
# then a one-line verdict; exits 0 when every frame is, 1 when one is not,
# or when a Y4M sequence records another layout than the configuration's.
# A packed sequence (Packing, or the grid a Y4M sequence records) is checked
# tile by tile: ffmpeg crops each camera's tile (crop=w:h:x:y, where the
# listing places it) out of every picture.
#
# Usage, in the folder the configuration's paths are relative to:
#   verify_with_ffmpeg.sh [-u] CONFIG...
# CONFIG... are mvweave's configuration files (-u: mvunweave's, whose Input
# is the sequence and whose Output lines are the cameras). Raw files are
# read in the configuration's picture format; Y4M files describe their own.
# The tools are taken from MVWEAVE_BIN when it is set, else from PATH.
set -eu

tool=mvweave camera_key=Input sequence_key=Output
if [ "${1:-}" = -u ]; then
  tool=mvunweave camera_key=Output sequence_key=Input
  shift
fi
[ $# -gt 0 ] || { echo "usage: verify_with_ffmpeg.sh [-u] CONFIG..." >&2; exit 2; }
command -v ffmpeg > /dev/null || { echo "verify_with_ffmpeg.sh: ffmpeg not found" >&2; exit 2; }
program="${MVWEAVE_BIN:+$MVWEAVE_BIN/}$tool"
command -v "$program" > /dev/null || {
  echo "verify_with_ffmpeg.sh: $program not found; set MVWEAVE_BIN to the folder that holds it" >&2
  exit 2
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The paths and the picture format, as the tools read them: keys are found
# in the key as words, the camera key first; a path is what stands between
# the first and the last double quote; the last line of a value counts.
awk -v camera="$camera_key" -v sequence="$sequence_key" '
  function quoted(v,   first, last, i) {
    first = index(v, "\"")
    for (i = length(v); i > first && substr(v, i, 1) != "\""; i--) {}
    return i > first ? substr(v, first + 1, i - first - 1) : ""
  }
  { sub(/\r$/, "") }
  /^[ \t]*#/ || !/=/ { next }
  {
    key = substr($0, 1, index($0, "=") - 1)
    value = substr($0, index($0, "=") + 1)
  }
  index(key, camera) { print "camera " quoted(value); next }
  index(key, sequence) { path = quoted(value); next }
  key ~ /FirstFrm|GOPLength|NumGOP|NumFrm/ { next }
  key ~ /Width/ { width = value + 0 } key ~ /Height/ { height = value + 0 }
  key ~ /ChromaFormat/ { chroma = value + 0 } key ~ /BitDepth/ { depth = value + 0 }
  key ~ /Width|Height|ChromaFormat|BitDepth/ { next }
  key ~ /Packing/ {
    packing = value
    sub(/^[ \t]+/, "", packing)
    sub(/[ \t].*/, "", packing)
    if (packing ~ /^".*"$/) packing = substr(packing, 2, length(packing) - 2)
  }
  END {
    if (packing != "") print "packing " packing
    print "sequence " path
    given = width != "" || height != "" || chroma != "" || depth != ""
    print "format " (width == "" ? 640 : width) " " (height == "" ? 480 : height) " " \
      (chroma == "" ? 420 : chroma) " " (depth == "" ? 8 : depth) " " given
  }' "$@" > "$work/settings"

# A Y4M sequence that records its layout must agree with the
# configuration: mvunweave's own listing compares the two, on the
# configuration's layout keys, the sequence and one camera per camera line.
sequence=$(sed -n 's/^sequence //p' "$work/settings")
if [ "$(head -c 10 "$sequence" 2> /dev/null)" = "YUV4MPEG2 " ]; then
  {
    grep -h -E 'GOPLength|NumGOP|NumFrm|Packing' "$@" || true
    printf 'Input = "%s"\n' "$sequence"
    sed -n 's/^camera .*/Output = "unused"/p' "$work/settings"
  } > "$work/record.cfg"
  "${MVWEAVE_BIN:+$MVWEAVE_BIN/}mvunweave" --layout --zero-on-success -- "$work/record.cfg" \
    > /dev/null 2> "$work/record.err" || {
    sed 's/^mvunweave: /verify_with_ffmpeg.sh: /' "$work/record.err"
    echo "FAILED: the configuration is not the layout $sequence records"
    exit 1
  }
fi

# The packing a Y4M sequence records (P2x2) counts where the configuration
# gives none.
recorded=
if ! grep -q '^packing ' "$work/settings" &&
   [ "$(head -c 10 "$sequence" 2> /dev/null)" = "YUV4MPEG2 " ]; then
  head -n 1 "$sequence" | tr ' ' '\n' | sed -n 's/^XMVWEAVE=1,//p' | tr ',' '\n' |
    sed -n 's/^P\([0-9]*x[0-9]*\)$/Packing = \1/p' > "$work/packing.cfg"
  [ -s "$work/packing.cfg" ] && recorded=$work/packing.cfg
fi

# The listing, from the tool itself: index,camera,frame for every frame, or,
# packed, picture,camera,frame,x,y for every tile.
"$program" --layout --zero-on-success "$@" ${recorded:+"$recorded"} > "$work/layout.csv" || {
  echo "verify_with_ffmpeg.sh: $tool could not read the configuration:" >&2
  cat "$work/layout.csv" >&2
  exit 2
}
# Packed: each camera's tile, "camera x y", and the grid's columns and rows.
packed=0 columns=1 rows=1
if [ "$(head -n 1 "$work/layout.csv")" = "picture,camera,frame,x,y" ]; then
  packed=1
  awk -F ',' 'NR > 1 && !($2 in seen) { seen[$2]; print $2, $4, $5 }' "$work/layout.csv" \
    > "$work/tiles"
  columns=$(awk '{ print $2 }' "$work/tiles" | sort -u | wc -l)
  rows=$(awk '{ print $3 }' "$work/tiles" | sort -u | wc -l)
fi

# What no configuration gives, the first Y4M file's header does, as for
# the tools: W, H and C (420jpeg, 422, mono, 420p10, mono16, ...); a packed
# sequence's W and H are a grid of tiles.
read -r _ width height chroma depth given <<EOF
$(grep '^format ' "$work/settings")
EOF
if [ "$given" = 0 ]; then
  while read -r kind path; do
    [ "$(head -c 10 "$path" 2> /dev/null)" = "YUV4MPEG2 " ] || continue
    read -r width height chroma depth <<EOF
$(head -n 1 "$path" | tr ' ' '\n' | awk '
  /^W/ { w = substr($0, 2) } /^H/ { h = substr($0, 2) } /^C/ { c = substr($0, 2) }
  END {
    if (c == "") c = "420"
    depth = 8
    if (c ~ /^mono[0-9]+$/) depth = substr(c, 5) + 0
    if (c ~ /^4[0-9][0-9]p[0-9]+$/) depth = substr(c, 5) + 0
    print w, h, (c ~ /^mono/ ? 400 : substr(c, 1, 3)), depth
  }')
EOF
    if [ "$kind" = sequence ]; then width=$((width / columns)) height=$((height / rows)); fi
    break
  done <<EOF
$(grep -v '^format ' "$work/settings")
EOF
fi

# ffmpeg's name of a raw format: yuv420p, yuv422p10le, gray, gray12le.
case $chroma in
  400) pix_fmt=gray ;;
  *) pix_fmt=yuv${chroma}p ;;
esac
[ "$depth" -gt 8 ] && pix_fmt=$pix_fmt${depth}le

# One run of ffmpeg: a checksum file for every file, the sequence's as 0.md5
# and camera c's as c+1.md5; packed, one for each camera's tile of the
# sequence instead, camera c's as tile.c.md5.
set --
n=0
while read -r kind path; do
  [ "$kind" = format ] && continue
  if [ "$(head -c 10 "$path" 2> /dev/null)" = "YUV4MPEG2 " ]; then
    set -- "$@" -i "$path"
  elif [ "$kind" = sequence ]; then
    set -- "$@" -f rawvideo -pix_fmt "$pix_fmt" -s "$((width * columns))x$((height * rows))" \
      -i "$path"
  else
    set -- "$@" -f rawvideo -pix_fmt "$pix_fmt" -s "${width}x$height" -i "$path"
  fi
  echo "$path" > "$work/$n.path"
  n=$((n + 1))
done <<EOF
$(grep '^sequence ' "$work/settings"; grep '^camera ' "$work/settings")
EOF
i=$packed
while [ $i -lt $n ]; do
  set -- "$@" -map "$i" -f framemd5 "$work/$i.md5"
  i=$((i + 1))
done
if [ $packed = 1 ]; then
  while read -r camera x y; do
    set -- "$@" -map 0 -vf "crop=$width:$height:$x:$y:exact=1" -f framemd5 "$work/tile.$camera.md5"
  done < "$work/tiles"
fi
ffmpeg -v error -y "$@"

# The join: the sequence's frame at every index against its camera's
# frame; packed, each tile of every picture.
awk -F ',' -v work="$work" -v files="$n" -v packed=$packed '
  function load(key, path,   line, field, frames) {
    frames = 0
    while ((getline line < path) > 0) {
      if (line !~ /^#/) { split(line, field, /, */); md5[key, frames++] = field[6] }
    }
    count[key] = frames
  }
  BEGIN {
    for (i = 0; i < files; i++) {
      getline name < (work "/" i ".path")
      file[i] = name
      if (i > 0 || !packed) load(i, work "/" i ".md5")
    }
  }
  NR == 1 { next }
  packed {
    picture = $1; camera = $2 + 1; frame = $3; tile = "tile " $2; ++total
    if (!(tile in count)) load(tile, work "/tile." $2 ".md5")
    if (!($1 in pictures)) { pictures[$1]; ++picture_count }
    if (picture >= count[tile]) {
      if (!(picture in ended)) { ended[picture]; print "picture " picture ": past the end of " file[0] }
      ++wrong
    } else if (frame >= count[camera]) {
      print "picture " picture ": camera " $2 " has no frame " frame " (" file[camera] ")"; ++wrong
    } else if (md5[tile, picture] != md5[camera, frame]) {
      print "picture " picture ": the tile at " $4 "," $5 " is not frame " frame " of camera " \
        $2 " (" file[camera] ")"; ++wrong
    }
    next
  }
  {
    index_ = $1; camera = $2 + 1; frame = $3; ++total
    if (index_ >= count[0]) {
      print "index " index_ ": past the end of " file[0]; ++wrong
    } else if (frame >= count[camera]) {
      print "index " index_ ": camera " $2 " has no frame " frame " (" file[camera] ")"; ++wrong
    } else if (md5[0, index_] != md5[camera, frame]) {
      print "index " index_ ": not frame " frame " of camera " $2 " (" file[camera] ")"; ++wrong
    }
  }
  END {
    what = packed ? "tiles" : "frames"
    if (wrong) {
      print "FAILED: " wrong " of " total " " what " of " file[0] " are not their cameras\047 frames"
      exit 1
    }
    if (packed) {
      print "verified: the " total " tiles of the " picture_count " pictures of " file[0] \
        " are their cameras\047 frames, in their places"
    } else {
      print "verified: the " total " frames of " file[0] " are their cameras\047 frames, in layout order"
    }
  }' "$work/layout.csv"
