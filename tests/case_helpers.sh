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
