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

# grown_to FILE SIZE: waits, 10 s at most, until FILE holds SIZE bytes (a
# program in the background writes it); says so and fails otherwise.
grown_to() {
  local tries
  for ((tries = 0; tries < 1000; tries++)); do
    [ -f "$1" ] && [ "$(wc -c < "$1")" -eq "$2" ] && return 0
    sleep 0.01
  done
  echo "$1 never held $2 bytes"
  return 1
}

# holds_open PID FILE: waits, 10 s at most, until process PID has FILE (in
# the current folder) open, as a program does once it has opened its
# outputs; says so and fails otherwise. Linux: through /proc.
holds_open() {
  local tries fd file
  file="$(pwd -P)/$2"
  for ((tries = 0; tries < 1000; tries++)); do
    for fd in /proc/"$1"/fd/*; do
      [ "$(readlink "$fd" 2> /dev/null)" = "$file" ] && return 0
    done
    sleep 0.01
  done
  echo "process $1 never opened $2"
  return 1
}

# ended PID: waits, 10 s at most, until the background process PID has
# ended (for `wait` to collect its status); one still running then is
# killed and named, so that a program that does not stop fails the case
# instead of hanging it. Linux: through /proc.
ended() {
  local tries stat
  for ((tries = 0; tries < 1000; tries++)); do
    stat=$(cat /proc/"$1"/stat 2> /dev/null) || return 0
    stat=${stat##*) }
    [ "${stat%% *}" = Z ] && return 0
    sleep 0.01
  done
  echo "process $1 did not end: killed"
  kill -KILL "$1"
}

# stopped PID: waits, 10 s at most, until process PID is stopped (SIGSTOP).
stopped() {
  local tries stat
  for ((tries = 0; tries < 1000; tries++)); do
    stat=$(cat /proc/"$1"/stat 2> /dev/null) || break
    stat=${stat##*) }
    [ "${stat%% *}" = T ] && return 0
    sleep 0.01
  done
  echo "process $1 did not stop"
  return 1
}

# picture_frames CAMERA COUNT [FIRST]: COUNT frames of one camera, 16x4
# 4:2:0 pictures (96 bytes), frame numbers from FIRST (default 0). Every row
# of every plane is a line naming its camera, frame, plane and row:
# "c1f03Y2--------" (16 bytes) for the luma, "c1f03U1" (8) for the chroma.
picture_frames() {
  local camera=$1 count=$2 first=${3:-0} f plane r
  for ((f = first; f < first + count; f++)); do
    for plane in Y:4 U:2 V:2; do
      for ((r = 0; r < ${plane#*:}; r++)); do picture_row "$camera" "$f" "${plane%:*}" "$r"; done
    done
  done
}

# picture_row CAMERA FRAME PLANE ROW: one line of picture_frames.
picture_row() {
  local pad=""
  [ "$3" = Y ] && pad=--------
  printf 'c%df%02d%s%d%s\n' "$1" "$2" "$3" "$4" "$pad"
}

# packed_pictures COLUMNS ROWS COUNT [FIRST]: what a packed sequence of the
# cameras 0 to COLUMNS x ROWS - 1 of picture_frames holds, built row by row
# from the tiles, each plane on its own: a model of the packing to compare
# a run's output with.
packed_pictures() {
  local columns=$1 rows=$2 count=$3 first=${4:-0} f plane g r c
  for ((f = first; f < first + count; f++)); do
    for plane in Y:4 U:2 V:2; do
      for ((g = 0; g < rows; g++)); do
        for ((r = 0; r < ${plane#*:}; r++)); do
          for ((c = g * columns; c < (g + 1) * columns; c++)); do
            picture_row "$c" "$f" "${plane%:*}" "$r"
          done
        done
      done
    done
  done
}
