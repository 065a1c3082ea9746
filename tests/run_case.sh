#!/usr/bin/env bash
# Runs one end-to-end case: a folder with
#   cmd              the command line, run by bash in a fresh temporary folder
#                    (mvweave and mvunweave are the programs under test)
#   stdout.expected  exactly what the command must write to standard output
#   status.expected  its exit status; without it, 1 (the tools' success)
#   stderr.expected  exactly what it must write to standard error; without
#                    it, nothing at all
#   setup            optional: run first, to make input files; exiting with
#                    status 77 skips the case (a machine without what it needs)
#   check            optional: run last, to check the files left behind
#   *.expected       any other: the file of that name must hold exactly this
#   outputs          optional: name patterns of further files the command may
#                    write, whose bytes the check script verifies
#   no-sanitizer     optional: skipped in sanitizer builds (MVWEAVE_SANITIZED set)
#   posix-only       optional: skipped for Windows builds (/dev/full, FIFOs,
#                    ulimit and /proc are missing there)
# Every file of the case is copied into the temporary folder first. Every
# file there before the command must be unchanged after it, and every file
# the command writes must be accounted for, unless an .expected file or the
# outputs list says otherwise: the tools never touch what they only read.
#
# Usage: run_case.sh CASE_DIR BIN_DIR [EMULATOR...]
#
# A new case: write its folder with cmd and the input files, then run it
# once with RECORD=1 in the environment (for a whole theme:
# RECORD=1 ctest -R '^e2e\.THEME\.'). That writes stdout.expected,
# stderr.expected (when not empty), status.expected (when not 1) and an
# .expected file for every file of at most 64 KiB that the command wrote,
# from what the programs do now. Read every one of them before committing:
# recording is for cases whose right answer you have checked, never for
# making a failing case pass.
set -u
tests_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case_dir=$(cd "$1" && pwd) || exit 2
bin_dir=$(cd "$2" && pwd) || exit 2
shift 2
emulator=("$@")
suffix=""
[ ${#emulator[@]} -gt 0 ] && suffix=".exe"

if [ -e "$case_dir/posix-only" ] && [ -n "$suffix" ]; then
  echo "skipped: needs a POSIX system"
  exit 77
fi

if [ -e "$case_dir/no-sanitizer" ] && [ -n "${MVWEAVE_SANITIZED:-}" ]; then
  echo "skipped: not with sanitizers"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/mvcase.XXXXXX") || exit 2
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cp -R "$case_dir/." "$work/"
cd "$work" || exit 2

# The programs under test, called by name from the cases' scripts.
# shellcheck disable=SC2317
mvweave() { "${emulator[@]}" "$bin_dir/mvweave$suffix" "$@"; }
# shellcheck disable=SC2317
mvunweave() { "${emulator[@]}" "$bin_dir/mvunweave$suffix" "$@"; }
# shellcheck source=tests/case_helpers.sh
source "$tests_dir/case_helpers.sh"

failed=0
fail() { echo "FAIL: $*"; failed=1; }

if [ -f setup ]; then
  # shellcheck source=/dev/null
  ( source ./setup )
  setup_status=$?
  if [ $setup_status = 77 ]; then
    echo "skipped: this machine lacks what the case needs"
    exit 77
  fi
  [ $setup_status = 0 ] || { echo "FAIL: setup"; exit 1; }
fi

# Fingerprints of every file: its name, size and the times of its last
# change, to the nanosecond, so that a file written shows new ones even when
# it holds the bytes it held (large test files are sparse and gigabytes
# long: their bytes are never read).
fingerprints() { find . -type f ! -name '*.actual' -printf '%P\t%s %T@ %C@\n'; }
fingerprints > before.actual

# shellcheck source=/dev/null
( source ./cmd ) > stdout.actual 2> stderr.actual
status=$?
[ -n "$suffix" ] && sed -i 's/\r$//' stdout.actual stderr.actual
fingerprints > after.actual

# The files the command changed or removed, and those it wrote anew.
declare -A before after
while IFS=$'\t' read -r file print; do before[$file]=$print; done < before.actual
while IFS=$'\t' read -r file print; do after[$file]=$print; done < after.actual
changed=()
written=()
for file in "${!before[@]}"; do
  [ "${after[$file]-}" = "${before[$file]}" ] || changed+=("$file")
done
for file in "${!after[@]}"; do
  [ -n "${before[$file]+known}" ] || written+=("$file")
done

if [ -n "${RECORD:-}" ]; then
  # Every expected file anew: none stays behind for a file the command no
  # longer writes.
  rm -f "$case_dir"/*.expected
  cp stdout.actual "$case_dir/stdout.expected"
  if [ -s stderr.actual ]; then cp stderr.actual "$case_dir/stderr.expected"; fi
  if [ "$status" != 1 ]; then echo "$status" > "$case_dir/status.expected"; fi
  for file in "${changed[@]}" "${written[@]}"; do
    case "$file" in *.expected | */*) continue ;; esac
    [ -f "$file" ] && [ "$(wc -c < "$file")" -le 65536 ] && cp "$file" "$case_dir/$file.expected"
  done
  echo "recorded: read every .expected file in $case_dir before committing it"
  exit 0
fi

if ! diff -u stdout.expected stdout.actual; then fail "standard output differs"; fi
expected_status=1
[ -f status.expected ] && expected_status=$(cat status.expected)
[ "$status" = "$expected_status" ] || fail "exit status $status, expected $expected_status"
if [ -f stderr.expected ]; then
  diff -u stderr.expected stderr.actual || fail "standard error differs"
elif [ -s stderr.actual ]; then
  fail "unexpected standard error: $(cat stderr.actual)"
fi

for expected in *.expected; do
  case "$expected" in stdout.expected | status.expected | stderr.expected) continue ;; esac
  produced=${expected%.expected}
  if [ ! -e "$produced" ]; then
    fail "$produced was not written"
  elif ! cmp -s "$expected" "$produced"; then
    fail "$produced differs from $expected"
    diff -u "$expected" "$produced" | head -n 40
  fi
done

# The name patterns of the outputs list, read once.
patterns=()
[ -f outputs ] && mapfile -t patterns < outputs
accounted_for() {
  local pattern
  [ -e "$1.expected" ] && return 0
  for pattern in "${patterns[@]}"; do
    # shellcheck disable=SC2053
    [[ $1 == $pattern ]] && return 0
  done
  return 1
}
for file in "${changed[@]}"; do
  accounted_for "$file" || fail "$file was changed (or removed) by the command"
done
for file in "${written[@]}"; do
  accounted_for "$file" || fail "$file was written, unexpectedly"
done

if [ -f check ]; then
  # shellcheck source=/dev/null
  ( source ./check ) || fail "check"
fi

[ $failed = 0 ] && echo "passed"
exit $failed
