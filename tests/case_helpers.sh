# shellcheck shell=bash
# Helpers for the end-to-end cases' setup and check scripts.

# frames CAMERA COUNT [FIRST]: COUNT marked frames of one camera, frame
# numbers from FIRST (default 0). Each frame is one 12-byte text line
# "cXfNNNNNNNN", the frame size of an 8x1 picture, so files read as lists.
frames() { sized_frames 12 "$@"; }

# sized_frames SIZE CAMERA COUNT [FIRST]: the same with frames of SIZE bytes
# (at least 12; the frame number takes the room).
sized_frames() {
  local size=$1 camera=$2 count=$3 first=${4:-0} f
  for ((f = first; f < first + count; f++)); do
    printf "c%df%0$((size - 4))d\n" "$camera" "$f"
  done
}

# expect_absent FILE...: none of the files exists.
expect_absent() {
  local file
  for file in "$@"; do
    [ ! -e "$file" ] || { echo "$file should not exist"; return 1; }
  done
}

# expect_same A B: the two files hold the same bytes.
expect_same() {
  cmp "$1" "$2" || { echo "$1 and $2 differ"; return 1; }
}

# y4m_frames CAMERA COUNT [FIRST [FRAME_LINE]]: the same frames as a Y4M file
# of 4x2 4:2:0 pictures (12 bytes a frame): a header line (Y4M_HEADER, or a
# plain one), then FRAME_LINE (default FRAME) and the frame, for each frame.
y4m_frames() {
  local camera=$1 count=$2 first=${3:-0} line=${4:-FRAME} f
  printf '%s\n' "${Y4M_HEADER:-YUV4MPEG2 W4 H2 F25:1 Ip A0:0 C420jpeg}"
  for ((f = first; f < first + count; f++)); do
    printf '%s\n' "$line"
    frames "$camera" 1 "$f"
  done
}
