#!/usr/bin/env bash
# Installs the build three ways (cmake --install, the TGZ package and, where
# dpkg-deb exists, the DEB package) into temporary folders, checks that each
# holds the programs, the man pages, the copyright file, the changelog and
# the examples, and runs the installed mvweave and mvunweave (and the Python
# package) on the installed example configurations.
#
# Usage: package_test.sh BUILD_DIR SAMPLE_GENERATOR
set -euo pipefail
build=$(cd "$1" && pwd)
generator=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/mvpackage.XXXXXX")
trap 'rm -rf "$work"' EXIT

# check_tree PREFIX: the installed files are there and the programs work.
check_tree() {
  local prefix=$1 file status
  for file in bin/mvweave bin/mvunweave share/man/man1/mvweave.1.gz share/man/man1/mvunweave.1.gz \
      share/doc/mvweave/copyright share/doc/mvweave/changelog.Debian.gz \
      share/doc/mvweave/examples/merge.cfg share/doc/mvweave/examples/split.cfg \
      share/doc/mvweave/examples/layout.cfg share/doc/mvweave/examples/cameras.cfg \
      share/doc/mvweave/examples/split_paths.cfg \
      share/doc/mvweave/examples/merge_from_frame.cfg share/doc/mvweave/examples/merge_10bit_422.cfg \
      share/doc/mvweave/examples/merge_y4m_live.cfg share/doc/mvweave/examples/split_y4m.cfg; do
    [ -f "$prefix/$file" ] || { echo "FAIL: $prefix/$file is missing"; return 1; }
  done
  local run=$work/run
  rm -rf "$run" && mkdir "$run" && cd "$run"
  cp "$prefix"/share/doc/mvweave/examples/*.cfg .
  "$generator" 3 25 > /dev/null
  status=0; "$prefix/bin/mvweave" ./merge.cfg > /dev/null || status=$?
  [ $status = 1 ] || { echo "FAIL: installed mvweave ended with status $status"; return 1; }
  status=0; "$prefix/bin/mvunweave" ./split.cfg > /dev/null || status=$?
  [ $status = 1 ] || { echo "FAIL: installed mvunweave ended with status $status"; return 1; }
  for camera in 0 1 2; do
    cmp -s "cam$camera.yuv" "cam${camera}_split.yuv" || { echo "FAIL: camera $camera differs"; return 1; }
  done
  # The Python package, where the build made it: the installed one, with
  # its types.
  local package=$prefix/lib/python3/dist-packages/mvweave
  if [ -d "$build/python/mvweave" ]; then
    for file in __init__.py __init__.pyi py.typed; do
      [ -f "$package/$file" ] || { echo "FAIL: $package/$file is missing"; return 1; }
    done
    PYTHONPATH=$prefix/lib/python3/dist-packages /usr/bin/python3 -c \
      'import mvweave; mvweave.split("./split.cfg"); assert mvweave.__file__.startswith(__import__("sys").argv[1])' \
      "$package" || { echo "FAIL: the installed Python package"; return 1; }
  fi
  cd "$work"
  echo "ok: $prefix"
}

cmake --install "$build" --prefix "$work/installed" > /dev/null
check_tree "$work/installed"

cpack -G TGZ -B "$work/packages" --config "$build/CPackConfig.cmake" > /dev/null
mkdir "$work/tgz"
tar -xzf "$work"/packages/mvweave-*.tar.gz -C "$work/tgz" --strip-components=1
check_tree "$work/tgz"

if command -v dpkg-deb > /dev/null; then
  cpack -G DEB -B "$work/packages" --config "$build/CPackConfig.cmake" > /dev/null
  dpkg-deb -x "$work"/packages/mvweave_*.deb "$work/deb"
  check_tree "$work/deb/usr"
else
  echo "dpkg-deb not found: DEB package not checked"
fi
