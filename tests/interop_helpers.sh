# shellcheck shell=bash
# Helpers for the ffmpeg interoperability tests: three cameras of ten frames
# (cameras and frames: a test may set others), merged and split with
# GOPLength 4, NumGOP 2, NumFrm 10, and the layout order worked out from
# ffmpeg's per-frame checksums of each camera.
cameras=3
frames=10

# start_in_work_folder BIN_DIR: skips the test (status 77) without ffmpeg;
# else sets bin to the programs' folder and moves into a temporary folder,
# removed at the end.
start_in_work_folder() {
  command -v ffmpeg > /dev/null || {
    echo "skipped: ffmpeg not found (Debian: apt-get install ffmpeg)"
    exit 77
  }
  # shellcheck disable=SC2034  # for the scripts that source this file
  bin=$(cd "$1" && pwd)
  work=$(mktemp -d "${TMPDIR:-/tmp}/mvinterop.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  cd "$work" || exit 1
}

# make_cameras PIX_FMT SIZE FORMAT EXTENSION: cam0 to cam$((cameras - 1))
# (four at most), each a different moving picture, so that every frame of
# every camera differs; one run of ffmpeg makes them all.
make_cameras() {
  local pix_fmt=$1 size=$2 format=$3 extension=$4 c inputs=() outputs=()
  local sources=("testsrc=size=$size:rate=25" "mandelbrot=size=$size:rate=25"
                 "testsrc=size=$size:rate=25,negate" "mandelbrot=size=$size:rate=25,vflip")
  for ((c = 0; c < cameras; c++)); do
    inputs+=(-f lavfi -i "${sources[$c]}")
    # -strict -1: Y4M above 8 bits is not official, but widely read.
    outputs+=(-map "$c" -frames:v "$frames" -pix_fmt "$pix_fmt" -strict -1 -f "$format"
              "cam$c.$extension")
  done
  ffmpeg -v error -y "${inputs[@]}" "${outputs[@]}"
}

# write_configs EXTENSION SEQUENCE BACK_PATTERN SETTINGS: merge.cfg (the
# cameras camN.EXTENSION into SEQUENCE) and split.cfg (SEQUENCE into
# BACK_PATTERN, printf-style).
write_configs() {
  local extension=$1 sequence=$2 back=$3 settings=$4 c
  {
    for ((c = 0; c < cameras; c++)); do echo "Input = \"cam$c.$extension\""; done
    echo "Output = \"$sequence\""
    printf 'GOPLength = 4\nNumGOP = 2\nNumFrm = 10\n%s\n' "$settings"
  } > merge.cfg
  {
    echo "Input = \"$sequence\""
    # shellcheck disable=SC2059  # the pattern is a printf format on purpose
    for ((c = 0; c < cameras; c++)); do printf "Output = \"${back}\"\n" "$c"; done
    printf 'GOPLength = 4\nNumGOP = 2\nNumFrm = 10\n%s\n' "$settings"
  } > split.cfg
}

# completed COMMAND...: the tools end with status 1 after a completed run.
completed() { local status=0; "$@" > /dev/null || status=$?; [ $status -eq 1 ]; }

# frame_md5s FFMPEG_INPUT_OPTIONS...: one checksum a frame, in order.
frame_md5s() { ffmpeg -v error "$@" -f framemd5 - | awk -F', *' '!/^#/ { print $NF }'; }

# md5_files INPUT_OPTIONS... -- FILE...: FILE.md5 for every FILE, one
# checksum a frame, from one run of ffmpeg; the options go before each input.
md5_files() {
  local options=() inputs=() outputs=() file n=0
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  for file in "$@"; do
    inputs+=("${options[@]}" -i "$file")
    outputs+=(-map "$n" -f framemd5 "$file.framemd5")
    n=$((n + 1))
  done
  ffmpeg -v error -y "${inputs[@]}" "${outputs[@]}"
  for file in "$@"; do
    awk -F', *' '!/^#/ { print $NF }' "$file.framemd5" > "$file.md5"
    rm "$file.framemd5"
  done
}

# layout_order EXTENSION: the checksums of the camera frames (from
# camN.EXTENSION.md5) in the order of the layout with N = 3, L = 4, G = 2,
# F = 10: frame 0 of every camera, then blocks of four frames camera by
# camera, then frame 9 camera by camera.
layout_order() {
  local extension=$1 c first
  for ((c = 0; c < cameras; c++)); do sed -n 1p "cam$c.$extension.md5"; done
  for first in 1 5; do
    for ((c = 0; c < cameras; c++)); do sed -n "$((first + 1)),$((first + 4))p" "cam$c.$extension.md5"; done
  done
  for ((c = 0; c < cameras; c++)); do sed -n 10p "cam$c.$extension.md5"; done
}
